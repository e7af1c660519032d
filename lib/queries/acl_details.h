// ACL details: an ACL's entries, the kiv:id of its document and the groups that refer to it.
#ifndef CUSTOR_LIB_QUERIES_ACL_DETAILS_H_
#define CUSTOR_LIB_QUERIES_ACL_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "queries/records.h"

namespace custor {

// Reads ACL `aclname`: without any session (sessionless), in `callerSession` (its result's session is
// then the identity of the last reply), or in a session of its own that it rolls back.
AclData ReadAclData(const Call &call, std::string_view aclname, const Session *callerSession,
                    bool sessionless);

AclData getDataForACL(const Call &call, std::string_view aclname);
AclData getDataForACL_RO(const Call &call, std::string_view aclname);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_ACL_DETAILS_H_
