// Create operations: a user, an ACL or a group, plain or with the checks of the _BAT variants.
#ifndef CUSTOR_LIB_CREATE_CREATE_H_
#define CUSTOR_LIB_CREATE_CREATE_H_

#include <span>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/documents.h"
#include "core/status.h"
#include "create/lookups.h"
#include "queries/records.h"

namespace custor {

// groups: the groups that are to refer to the new user or ACL (empty: none).
Status CreateUser(const Call &call, std::string_view userid, std::string_view content,
                  std::span<const std::string> groups, Checks checks);
Status CreateAcl(const Call &call, std::string_view aclname, std::span<const std::string> groups,
                 std::span<const Ace> aces, Checks checks);
Status CreateGroup(const Call &call, const GroupContent &group, Checks checks);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_CREATE_H_
