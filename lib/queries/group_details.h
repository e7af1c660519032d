// Group details: the users and ACLs a group refers to and the kiv:id of its document.
#ifndef CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_
#define CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "queries/records.h"

namespace custor {

// Reads group `groupname`: without any session (sessionless), in `callerSession` (its result's session
// is then the identity of the last reply, with which the caller goes on), or in a session of its own
// that it commits. A group that does not exist reads as status "0", no references and nameOrId
// "VRX@DLL PARSE_ERR".
GroupData ReadGroupData(const Call &call, std::string_view groupname, const Session *callerSession,
                        bool sessionless);

GroupData getDataForGroup(const Call &call, std::string_view groupname);
GroupData getDataForGroup_RO(const Call &call, std::string_view groupname);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_GROUP_DETAILS_H_
