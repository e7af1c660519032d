// Existence lookups: whether users, groups and ACLs exist, one by one or for every name of a list,
// without a session or inside one (then the result carries the session of the lookup's reply).
#ifndef CUSTOR_LIB_CREATE_LOOKUPS_H_
#define CUSTOR_LIB_CREATE_LOOKUPS_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"
#include "queries/records.h"

namespace custor {

// "0" when a create may go on: the reply holds no xql:result, or holds one and is clean; else the
// CheckReply verdict.
CheckResult FindUser(const Call &call, std::string_view userid, const Session *session);
CheckResult FindGroup(const Call &call, std::string_view groupname, const Session *session);
CheckResult FindAcl(const Call &call, std::string_view aclname, const Session *session);

// "1" when the object exists; the text of KIVAAE0388 (user), KIVAAE0390 (group) or KIVAAE0389 (ACL)
// when the clean reply holds no xql:result; the CheckReply verdict when the reply is not clean.
CheckResult CheckUserDefined(const Call &call, std::string_view userid, const Session *session);
CheckResult CheckGroupDefined(const Call &call, std::string_view groupname, const Session *session);
CheckResult CheckAclDefined(const Call &call, std::string_view aclname, const Session *session);

// "1" when every name passes (an empty list too, without a request); else the first failing status.
// Each lookup runs with the session of the one before it; the result carries the last one.
CheckResult CheckUsersDefined(const Call &call, const GroupContent &group, const Session *session);
CheckResult CheckAclsDefined(const Call &call, const GroupContent &group, const Session *session);
CheckResult CheckGroupsDefined(const Call &call, const std::vector<std::string> *groups,
                               const Session *session);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_LOOKUPS_H_
