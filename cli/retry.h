// Running a data-changing library call again after a transaction conflict.
#ifndef CUSTOR_CLI_RETRY_H_
#define CUSTOR_CLI_RETRY_H_

#include <functional>
#include <string>
#include <string_view>

namespace custor::cli {

// The server's code of a transaction conflict: the call's first write found that what the transaction
// had read was changed meanwhile by another session, and nothing of the call was applied.
inline constexpr std::string_view kConflictCode = "KIVXTE0070";

// Runs `call` and, while its answer begins with kConflictCode, runs it again, at most `retries` more
// times; `before_retry(n, answer)` is told before the n-th repetition. Returns the last answer.
std::string WithRetries(int retries, const std::function<std::string()> &call,
                        const std::function<void(int, const std::string &)> &before_retry);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_RETRY_H_
