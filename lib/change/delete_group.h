// Deleting groups: one delete command, alone or inside the caller's transaction.
#ifndef CUSTOR_LIB_CHANGE_DELETE_GROUP_H_
#define CUSTOR_LIB_CHANGE_DELETE_GROUP_H_

#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"

namespace custor {

// Without a session: status is the server's whole reply, not yet classified. With one: session is the
// identity of the reply and status is empty.
CheckResult DeleteGroupDocument(const Call &call, std::string_view groupname, const Session *session);

std::string deleteGroup(const Call &call, std::string_view groupname);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_DELETE_GROUP_H_
