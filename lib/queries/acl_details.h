// ACL details: an ACL's entries, the kiv:id of its document and the groups that refer to it.
#ifndef CUSTOR_LIB_QUERIES_ACL_DETAILS_H_
#define CUSTOR_LIB_QUERIES_ACL_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "queries/read_session.h"
#include "queries/records.h"

namespace custor {

// Reads ACL `aclname` where `reading` says: a session of its own is rolled back; in the caller's, the
// result's session is the identity of the last reply.
AclData ReadAclData(const Call &call, std::string_view aclname, Reading reading);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_ACL_DETAILS_H_
