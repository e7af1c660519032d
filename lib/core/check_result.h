// The results of the internal steps that run in a caller's transaction: the step's outcome and the
// session identity with which the transaction goes on (none for work done without a session).
#ifndef CUSTOR_LIB_CORE_CHECK_RESULT_H_
#define CUSTOR_LIB_CORE_CHECK_RESULT_H_

#include <optional>

#include "core/session.h"
#include "core/status.h"

namespace custor {

// A store, a delete or a lookup that may or may not let an operation go on.
struct CheckResult {
  Status status;
  std::optional<Session> session;
};

// A lookup of objects that are to exist.
struct LookupResult {
  Verdict verdict;
  std::optional<Session> session;
};

// The session that `result` hands on. A step that succeeded in its caller's transaction always carries
// one; without one the session reads as lost.
template <typename Result>
Session HandedOn(const Result &result) {
  return result.session ? *result.session : LostSession();
}

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_CHECK_RESULT_H_
