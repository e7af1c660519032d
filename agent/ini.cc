#include "agent/ini.h"

#include <fstream>
#include <sstream>

namespace custor::agent {
namespace {

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\f\v";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char &c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  Section *section = &ini.sections_[""];
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() == ']') section = &ini.sections_[std::string(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty()) continue;
    (*section)[Lower(key)] = std::string(Trim(line.substr(equals + 1)));
  }
  return ini;
}

std::optional<IniFile> IniFile::Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return Parse(content.str());
}

bool IniFile::HasSection(std::string_view section) const {
  return sections_.find(section) != sections_.end();
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  const auto s = sections_.find(section);
  if (s == sections_.end()) return std::nullopt;
  const auto v = s->second.find(Lower(key));
  if (v == s->second.end()) return std::nullopt;
  return v->second;
}

}  // namespace custor::agent
