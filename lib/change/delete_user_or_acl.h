// Deleting users and ACLs: the document goes, and every group's reference to it with it, in one
// transaction.
#ifndef CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_
#define CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_

#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"

namespace custor {

inline constexpr int kUserKind = 0;
inline constexpr int kAclKind = 1;

// kind kUserKind or kAclKind. session null: a transaction of its own, committed on success; given: the
// caller's, left open on success with its next identity in the result.
CheckResult DeleteUserOrAcl(const Call &call, std::string_view name, int kind, const Session *session);

std::string deleteUser(const Call &call, std::string_view userid);
std::string deleteACL(const Call &call, std::string_view aclname);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_DELETE_USER_OR_ACL_H_
