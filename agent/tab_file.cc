#include "agent/tab_file.h"

#include <fstream>
#include <sstream>

#include "agent/env.h"

namespace custor::agent {

TextTable ParseTabText(std::string_view text) {
  TextTable table;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) continue;
    table.insert_or_assign(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
  }
  return table;
}

std::optional<TextTable> ReadTabFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return ParseTabText(content.str());
}

const TextTable *TabFileFromEnv(const char *variable) {
  struct Cached {
    std::string path;
    std::optional<TextTable> table;
  };
  static std::map<std::string, Cached, std::less<>> cache;  // by variable name
  const std::optional<std::string> path = EnvText(variable);
  if (!path) return nullptr;
  auto it = cache.find(variable);
  if (it == cache.end() || it->second.path != *path) {
    it = cache.insert_or_assign(variable, Cached{*path, ReadTabFile(*path)}).first;
  }
  return it->second.table ? &*it->second.table : nullptr;
}

}  // namespace custor::agent
