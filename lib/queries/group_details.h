// Group details: the users and ACLs a group refers to and the kiv:id of its document.
#ifndef CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_
#define CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "queries/read_session.h"
#include "queries/records.h"

namespace custor {

// Reads group `groupname` where `reading` says: a session of its own is committed; in the caller's,
// the result's session is the identity of the last reply, with which the caller goes on. A group that
// does not exist reads as success, no references and nameOrId "VRX@DLL PARSE_ERR".
GroupData ReadGroupData(const Call &call, std::string_view groupname, Reading reading);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_
