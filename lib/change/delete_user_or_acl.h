// Deleting users and ACLs: the document goes, and every group's reference to it with it, in one
// transaction.
#ifndef CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_
#define CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_

#include <string_view>

#include "core/call.h"
#include "core/check_result.h"
#include "core/kind.h"
#include "core/session.h"

namespace custor {

// Deletes the user or ACL of `kind` named `name`. session null: a transaction of its own, committed on
// success; given: the caller's, left open on success with its next identity in the result.
CheckResult DeleteUserOrAcl(const Call &call, Kind kind, std::string_view name, const Session *session);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_
