// Modify operations: replace a user, group or ACL as a whole (possibly under a new name) by deleting
// the old document and storing the new description in one transaction.
#ifndef CUSTOR_LIB_CHANGE_MODIFY_H_
#define CUSTOR_LIB_CHANGE_MODIFY_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/call.h"
#include "queries/records.h"

namespace custor {

// "0", or the text of KIVAAE0377 when two entries have the same text (whatever their access or omit).
std::string CheckDuplicateAces(const std::vector<Ace> &aces);

std::string modifyUser(const Call &call, std::string_view userid, const std::string &content,
                       std::string_view newuserid, const std::vector<std::string> *groups);
std::string modifyUser_BAT(const Call &call, std::string_view userid, const std::string &content,
                           std::string_view newuserid, const std::vector<std::string> *groups);
std::string modifyGroup(const Call &call, std::string_view groupname, const GroupContent &group);
std::string modifyGroup_BAT(const Call &call, std::string_view groupname, const GroupContent &group);
std::string modifyACL(const Call &call, std::string_view aclname, std::string_view newaclname,
                      const std::vector<std::string> *groups, const std::vector<Ace> &acl);
std::string modifyACL_BAT(const Call &call, std::string_view aclname, std::string_view newaclname,
                          const std::vector<std::string> *groups, const std::vector<Ace> &acl);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_MODIFY_H_
