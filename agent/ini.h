// A small INI reader for the data-source settings: "[section]" lines, "key = value" lines, comments
// beginning with ';' or '#'.
#ifndef CUSTOR_AGENT_INI_H_
#define CUSTOR_AGENT_INI_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace custor::agent {

class IniFile {
 public:
  // Section names are kept as written (blanks around them trimmed); keys are compared without regard
  // to case; values lose the blanks around them. Keys before the first section belong to section "".
  // A repeated section continues the earlier one; a repeated key replaces the earlier value. Lines
  // that are none of the above are ignored.
  static IniFile Parse(std::string_view text);
  // Nothing when the file cannot be read.
  static std::optional<IniFile> Read(const std::string &path);

  bool HasSection(std::string_view section) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

 private:
  using Section = std::map<std::string, std::string, std::less<>>;  // lower-case key -> value
  std::map<std::string, Section, std::less<>> sections_;
};

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_INI_H_
