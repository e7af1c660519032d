// Output of the custor command: JSON for scripts, aligned tables and labelled fields for people.
#ifndef CUSTOR_CLI_OUTPUT_H_
#define CUSTOR_CLI_OUTPUT_H_

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace custor::cli {

// JSON for scripts (nlohmann/json); members stay in the order in which they are added.
using Json = nlohmann::ordered_json;

// A text that the library returned: null stays null.
Json Nullable(const char *text);

// A JSON array of texts.
Json TextArray(const std::vector<std::string> &texts);

// Compact, on one line. Bytes that are not UTF-8 (JSON has no way to carry them) become U+FFFD.
std::string Dump(const Json &value);

// Control characters made visible (\n, \t, \r, \xNN), so that one value stays on one line.
std::string Visible(std::string_view text);

// Columns under a header, each as wide as its widest cell, two blanks apart; no trailing blanks.
std::string Table(const std::vector<std::string> &header, const std::vector<std::vector<std::string>> &rows);

// "Label:  value" lines, the values aligned.
std::string Fields(const std::vector<std::pair<std::string, std::string>> &fields);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_OUTPUT_H_
