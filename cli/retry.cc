#include "cli/retry.h"

namespace custor::cli {

std::string WithRetries(int retries, const std::function<std::string()> &call,
                        const std::function<void(int, const std::string &)> &before_retry) {
  std::string answer = call();
  for (int n = 1; n <= retries && answer.starts_with(kConflictCode); ++n) {
    before_retry(n, answer);
    answer = call();
  }
  return answer;
}

}  // namespace custor::cli
