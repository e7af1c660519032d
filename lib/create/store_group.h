// Group document store: writes a new group document with its references, alone or inside the
// caller's transaction, optionally checking first that every referenced user and ACL exists.
#ifndef CUSTOR_LIB_CREATE_STORE_GROUP_H_
#define CUSTOR_LIB_CREATE_STORE_GROUP_H_

#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"
#include "queries/records.h"

namespace custor {

// mode 1 checks the references first (used with a session only); mode 0 does not. A given session is
// rolled back and closed on every failure.
CheckResult StoreGroup(const Call &call, const GroupContent &group, const Session *session, int mode);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_STORE_GROUP_H_
