#include "agent/access_key.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "agent/env.h"

namespace custor::agent {

std::string AuthorizationFieldFor(const std::string &file_text) {
  std::string key = file_text;
  while (!key.empty() &&
         (key.back() == '\n' || key.back() == '\r' || key.back() == ' ' || key.back() == '\t')) {
    key.pop_back();
  }
  if (key.empty()) return "";
  for (const char c : key) {
    if (c < '!' || c > '~') return "";
  }
  return "Authorization: Bearer " + key;
}

const std::string &AuthorizationField() {
  static std::optional<std::string> cached_path;
  static std::string field;
  const std::optional<std::string> path = EnvText("CUSTOR_KEY_FILE");
  if (path != cached_path) {
    cached_path = path;
    field.clear();
    if (path) {
      std::ifstream in(*path, std::ios::binary);
      if (in) field = AuthorizationFieldFor(std::string(std::istreambuf_iterator<char>(in), {}));
    }
  }
  return field;
}

}  // namespace custor::agent
