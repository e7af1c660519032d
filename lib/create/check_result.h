// The answer of the lookups, the stores and the deletes: a status text and, for work done inside a
// transaction, the session identity to use for the transaction's next request.
#ifndef CUSTOR_LIB_CREATE_CHECK_RESULT_H_
#define CUSTOR_LIB_CREATE_CHECK_RESULT_H_

#include <optional>
#include <string>

#include "core/session.h"

namespace custor {

struct CheckResult {
  std::string status;
  std::optional<Session> session;  // empty for work done without a session
};

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_CHECK_RESULT_H_
