#include "agent/env.h"

#include <cerrno>
#include <cstdlib>

namespace custor::agent {

std::optional<std::string> EnvText(const char *name) {
  const char *value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

long EnvNumber(const char *name, long fallback, long min, long max) {
  const std::optional<std::string> text = EnvText(name);
  if (!text) return fallback;
  errno = 0;
  char *end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < min || value > max) return fallback;
  return value;
}

}  // namespace custor::agent
