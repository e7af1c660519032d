// User data and user details: one user with its data and the groups that refer to it, and every user
// with its data.
#ifndef CUSTOR_LIB_QUERIES_USER_DETAILS_H_
#define CUSTOR_LIB_QUERIES_USER_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "queries/records.h"

namespace custor {

// Reads user `userid`: without any session (sessionless), in `callerSession` (which it never ends), or
// in a session of its own that it commits. withGroups also reads the groups that refer to the user.
UserDetails ReadUserDetails(const Call &call, std::string_view userid, bool sessionless,
                            const Session *callerSession, bool withGroups);

UserDetails getDetailsForUser(const Call &call, std::string_view userid);
UserDetails getDetailsForUser_RO(const Call &call, std::string_view userid);
UserDataTable getUserData(const Call &call);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_USER_DETAILS_H_
