// User and ACL document store: writes a new user or ACL document and adds a reference to it to each
// listed group, in one transaction.
#ifndef CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_
#define CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_

#include <span>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/check_result.h"
#include "core/kind.h"
#include "core/session.h"

namespace custor {

// Stores `document` (UserDocument or AclDocument) of the user or ACL `name` and adds a reference to it,
// ahead of the others, to every group of `groups`. session null: a session of its own, committed on
// success; given: the caller's, whose next identity comes back in the result on success.
CheckResult StoreUserOrAcl(const Call &call, Kind kind, std::string_view name, std::string document,
                           std::span<const std::string> groups, const Session *session);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_STORE_USER_OR_ACL_H_
