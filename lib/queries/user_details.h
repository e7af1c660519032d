// User data and user details: one user with its data and the groups that refer to it, and every user
// with its data.
#ifndef CUSTOR_LIB_QUERIES_USER_DETAILS_H_
#define CUSTOR_LIB_QUERIES_USER_DETAILS_H_

#include <string_view>

#include "core/call.h"
#include "queries/read_session.h"
#include "queries/records.h"

namespace custor {

// What a user read asks for besides the user's data.
enum class UserGroups { kLeftOut, kRead };

// Reads user `userid` where `reading` says; a session of its own is committed, the caller's is never
// ended. With UserGroups::kRead it also reads the groups that refer to the user.
UserDetails ReadUserDetails(const Call &call, std::string_view userid, Reading reading, UserGroups groups);

// Every user with its data, read without a session.
UserDataTable ReadUserDataTable(const Call &call);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_USER_DETAILS_H_
