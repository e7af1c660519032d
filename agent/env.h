// Settings of the agent's services, read from the environment at each use.
#ifndef CUSTOR_AGENT_ENV_H_
#define CUSTOR_AGENT_ENV_H_

#include <optional>
#include <string>

namespace custor::agent {

// The variable's value, or nothing when it is unset or empty.
std::optional<std::string> EnvText(const char *name);

// The variable as a whole decimal number in [min, max]; `fallback` when it is unset, empty or not
// such a number.
long EnvNumber(const char *name, long fallback, long min, long max);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_ENV_H_
