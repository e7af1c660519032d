// Deleting groups: one delete command, alone or inside the caller's transaction.
#ifndef CUSTOR_LIB_CHANGE_DELETE_GROUP_H_
#define CUSTOR_LIB_CHANGE_DELETE_GROUP_H_

#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "core/status.h"

namespace custor {

// Sends the delete of group `groupname`, inside `session` when one is given, and returns the server's
// whole reply, not yet classified.
std::string DeleteGroupDocument(const Call &call, std::string_view groupname, const Session *session);

// The delete alone, without a session; the reply classified.
Status DeleteGroup(const Call &call, std::string_view groupname);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_DELETE_GROUP_H_
