#include "create/store_group.h"

#include <optional>

#include "core/documents.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

// The failed lookup `lookup` as the store's answer, its session rolled back when it went in one.
CheckResult GiveUp(const Call &call, const LookupResult &lookup) {
  if (lookup.session) EndSession(*lookup.session, call, End::kRollback);
  return CheckResult{lookup.verdict.ToStatus(), lookup.session};
}

}  // namespace

CheckResult StoreGroup(const Call &call, const GroupContent &group, const Session *session, Checks checks) {
  std::optional<Session> current = session != nullptr ? std::optional<Session>(*session) : std::nullopt;
  if (checks == Checks::kLinked) {
    // Every referenced user, then every referenced ACL, must exist; the first missing one ends the
    // transaction with a rollback.
    const LookupResult users = CheckAllDefined(call, Kind::kUser, group.users, session);
    if (!users.verdict.found()) return GiveUp(call, users);
    const LookupResult acls =
        CheckAllDefined(call, Kind::kAcl, group.acls, users.session ? &*users.session : nullptr);
    if (!acls.verdict.found()) return GiveUp(call, acls);
    current = acls.session;
  }

  std::string document = GroupDocument(group.name, group.users, group.acls);
  if (current) document = InSession(std::move(document), *current);
  CheckedReply checked = CheckSessionReply(ExecuteServerCommand(call, document));
  CheckResult result;
  if (!current) {
    // Standing alone, the server refuses a group of a name that exists as an unknown error: that reads
    // as the library's own refusal.
    result.status = IsUnknownError(checked.verdict) ? Status::Failed(MessageText(MessageCode::kGroupExists))
                                                    : std::move(checked.verdict);
    return result;
  }
  result.session = std::move(checked.session);
  result.status = std::move(checked.verdict);
  if (!result.status.ok()) EndSession(*result.session, call, End::kRollback);
  return result;
}

}  // namespace custor
