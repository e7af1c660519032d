// Existence lookups: whether users, groups and ACLs exist, one by one or for every name of a list,
// without a session or inside one (then the result carries the session of the lookup's reply).
#ifndef CUSTOR_LIB_CREATE_LOOKUPS_H_
#define CUSTOR_LIB_CREATE_LOOKUPS_H_

#include <span>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/check_result.h"
#include "core/kind.h"
#include "core/session.h"

namespace custor {

// The checks of the _BAT variants of the creates and modifies: none, or that every object linked with
// the new or changed one exists.
enum class Checks { kNone, kLinked };

// Whether a create of the object of `kind` named `name` may go on: ok when the reply holds no
// xql:result, or holds one and is clean; else failed with the reply's verdict.
CheckResult Find(const Call &call, Kind kind, std::string_view name, const Session *session);

// Whether the object exists: found when a clean reply holds an xql:result, absent (with the kind's
// not-defined message) when a clean reply holds none, failed with the verdict of a reply that is not.
LookupResult CheckDefined(const Call &call, Kind kind, std::string_view name, const Session *session);

// CheckDefined of every name in order, each lookup with the session of the one before it, until one is
// not found: its result. Found, with the last session, when all are (an empty list sends nothing).
LookupResult CheckAllDefined(const Call &call, Kind kind, std::span<const std::string> names,
                             const Session *session);

}  // namespace custor

#endif  // CUSTOR_LIB_CREATE_LOOKUPS_H_
