// Modify operations: replace a user, group or ACL as a whole (possibly under a new name) by deleting
// the old document and storing the new description in one transaction.
#ifndef CUSTOR_LIB_CHANGE_MODIFY_H_
#define CUSTOR_LIB_CHANGE_MODIFY_H_

#include <span>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/documents.h"
#include "core/status.h"
#include "create/lookups.h"
#include "queries/records.h"

namespace custor {

// groups: the groups that are to refer to the changed user or ACL (empty: none). Checks::kLinked: the
// _BAT variants.
Status ModifyUser(const Call &call, std::string_view userid, std::string_view content,
                  std::string_view newuserid, std::span<const std::string> groups, Checks checks);
Status ModifyGroup(const Call &call, std::string_view groupname, const GroupContent &group, Checks checks);
Status ModifyAcl(const Call &call, std::string_view aclname, std::string_view newaclname,
                 std::span<const std::string> groups, std::span<const Ace> aces, Checks checks);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_MODIFY_H_
