#include "create/create.h"

#include "core/message.h"
#include "core/session.h"
#include "create/store_group.h"
#include "create/store_user_or_acl.h"

namespace custor {
namespace {

// A user or ACL create: the lookup of the object, then the store. The plain create stops at a failed
// lookup. The checked one first makes sure that every listed group exists; it sends the lookup too but
// goes on whatever it answers (its check compared the answer with the bare code of the refusal, which
// no lookup answers), so an object that exists is refused by the store, with that code's text.
Status CreateUserOrAcl(const Call &call, Kind kind, std::string_view name, std::string document,
                       std::span<const std::string> groups, Checks checks) {
  if (checks == Checks::kLinked) {
    if (!CheckAllDefined(call, Kind::kGroup, groups, nullptr).verdict.found()) {
      return Status::Failed(MessageText(MessageCode::kGroupNotDefined));
    }
    Find(call, kind, name, nullptr);
  } else if (CheckResult found = Find(call, kind, name, nullptr); !found.status.ok()) {
    return std::move(found.status);
  }
  return StoreUserOrAcl(call, kind, name, std::move(document), groups, nullptr).status;
}

}  // namespace

Status CreateUser(const Call &call, std::string_view userid, std::string_view content,
                  std::span<const std::string> groups, Checks checks) {
  return CreateUserOrAcl(call, Kind::kUser, userid, UserDocument(userid, content), groups, checks);
}

Status CreateAcl(const Call &call, std::string_view aclname, std::span<const std::string> groups,
                 std::span<const Ace> aces, Checks checks) {
  return CreateUserOrAcl(call, Kind::kAcl, aclname, AclDocument(aclname, aces), groups, checks);
}

Status CreateGroup(const Call &call, const GroupContent &group, Checks checks) {
  if (checks == Checks::kNone) {
    if (CheckResult found = Find(call, Kind::kGroup, group.name, nullptr); !found.status.ok()) {
      return std::move(found.status);
    }
    return StoreGroup(call, group, nullptr, Checks::kNone).status;
  }
  // One session for the lookup, the reference checks and the store. A failed lookup leaves it open;
  // StoreGroup rolls it back on its own failures.
  const Session session = OpenSession(call);
  const CheckResult found = Find(call, Kind::kGroup, group.name, &session);
  if (!found.status.ok()) return Status::Failed(MessageText(MessageCode::kGroupExists));
  CheckResult stored = StoreGroup(call, group, &*found.session, Checks::kLinked);
  if (stored.status.ok()) EndSession(*stored.session, call, End::kCommit);
  return std::move(stored.status);
}

}  // namespace custor
