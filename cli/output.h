// Output of the custor command: JSON for scripts, aligned tables and labelled fields for people.
#ifndef CUSTOR_CLI_OUTPUT_H_
#define CUSTOR_CLI_OUTPUT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace custor::cli {

// A JSON value: null, a number, a text, an array or an object (members kept in order).
class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(int64_t number) : value_(number) {}
  Json(int32_t number) : value_(int64_t{number}) {}
  Json(std::string text) : value_(std::move(text)) {}
  Json(const char *text);  // null stays null
  Json(Array array) : value_(std::move(array)) {}
  Json(Object object) : value_(std::move(object)) {}

  // Compact, on one line; texts are written byte for byte but for '"', '\' and control characters.
  std::string Dump() const;

 private:
  void DumpTo(std::string &out) const;
  std::variant<std::nullptr_t, int64_t, std::string, Array, Object> value_;
};

// A JSON array of texts.
Json TextArray(const std::vector<std::string> &texts);

// Control characters made visible (\n, \t, \r, \xNN), so that one value stays on one line.
std::string Visible(std::string_view text);

// Columns under a header, each as wide as its widest cell, two blanks apart; no trailing blanks.
std::string Table(const std::vector<std::string> &header, const std::vector<std::vector<std::string>> &rows);

// "Label:  value" lines, the values aligned.
std::string Fields(const std::vector<std::pair<std::string, std::string>> &fields);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_OUTPUT_H_
