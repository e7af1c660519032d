// Group document store: writes a new group document with its references, alone or inside the
// caller's transaction, optionally checking first that every referenced user and ACL exists.
#ifndef CUSTOR_LIB_CREATE_STORE_GROUP_H_
#define CUSTOR_LIB_CREATE_STORE_GROUP_H_

#include "core/call.h"
#include "core/check_result.h"
#include "core/session.h"
#include "create/lookups.h"
#include "queries/records.h"

namespace custor {

// Checks::kLinked looks the references up first (used with a session only). A given session is rolled
// back and closed on every failure.
CheckResult StoreGroup(const Call &call, const GroupContent &group, const Session *session, Checks checks);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_STORE_GROUP_H_
