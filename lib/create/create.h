// Create operations: a user, an ACL or a group, plain or with the checks of the _BAT variants.
#ifndef CUSTOR_LIB_CREATE_CREATE_H_
#define CUSTOR_LIB_CREATE_CREATE_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/call.h"
#include "queries/records.h"

namespace custor {

// groups: the groups that are to refer to the new user or ACL; null means none. Each answers "0" or a
// failure text.
std::string createUser(const Call &call, const std::string &content, std::string_view userid,
                       const std::vector<std::string> *groups);
std::string createUser_BAT(const Call &call, const std::string &content, std::string_view userid,
                           const std::vector<std::string> *groups);
std::string createACL(const Call &call, std::string_view aclname, const std::vector<std::string> *groups,
                      const std::vector<Ace> &acl);
std::string createACL_BAT(const Call &call, std::string_view aclname, const std::vector<std::string> *groups,
                          const std::vector<Ace> &acl);
std::string createGroup(const Call &call, const GroupContent &group);
std::string createGroup_BAT(const Call &call, const GroupContent &group);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_CREATE_H_
