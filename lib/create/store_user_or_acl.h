// User and ACL document store: writes a new user or ACL document and adds a reference to it to each
// listed group, in one transaction.
#ifndef CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_
#define CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"
#include "queries/records.h"

namespace custor {

// acl null: user mode (`content` is the user content); acl given: ACL mode (`content` not read).
// groups null or empty: no group is touched. session null: a session of its own, committed on
// success; given: the caller's, whose next identity comes back in the result on success.
CheckResult StoreUserOrAcl(const Call &call, std::string_view name, const std::string *content,
                           const std::vector<Ace> *acl, const std::vector<std::string> *groups,
                           const Session *session);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_
