#include "change/modify.h"

#include "change/ace_checks.h"
#include "change/delete_group.h"
#include "change/delete_user_or_acl.h"
#include "core/message.h"
#include "core/session.h"
#include "create/store_group.h"
#include "create/store_user_or_acl.h"

namespace custor {
namespace {

Status Failed(MessageCode code) { return Status::Failed(MessageText(code)); }

// Rolls `result`'s session back (when it has one) and answers `answer`.
template <typename Result>
Status RollBack(const Call &call, const Result &result, Status answer) {
  if (result.session) EndSession(*result.session, call, End::kRollback);
  return answer;
}

// After the store of the new description: its failure, or the commit of the whole transaction.
Status Commit(const Call &call, CheckResult stored) {
  if (!stored.status.ok()) return std::move(stored.status);
  EndSession(HandedOn(stored), call, End::kCommit);
  return Status::Ok();
}

// The check of the user and ACL variants: every listed group exists. Asked without a session.
bool GroupsExist(const Call &call, std::span<const std::string> groups) {
  return CheckAllDefined(call, Kind::kGroup, groups, nullptr).verdict.found();
}

// modifyGroup_BAT's answer to a user or ACL that the group refers to but that does not exist: the
// message text, or `stand_in` when the agent's table has no text for the code. (Its check compared the
// answer with the bare code, which is what MessageText gives for a code without text.)
Status MissingReference(const Verdict &verdict, std::string_view stand_in) {
  Status status = verdict.ToStatus();
  if (verdict.absent() && status.failure() == CodeText(verdict.code()))
    return Status::Failed(std::string(stand_in));
  return status;
}

}  // namespace

Status ModifyUser(const Call &call, std::string_view userid, std::string_view content,
                  std::string_view newuserid, std::span<const std::string> groups, Checks checks) {
  if (checks == Checks::kLinked && !GroupsExist(call, groups)) return Failed(MessageCode::kGroupNotDefined);
  const Session session = OpenSession(call);
  if (session.lost()) return Failed(MessageCode::kSessionUnusable);
  if (!session.usable()) return Status::Failed(session.status);
  CheckResult deleted = DeleteUserOrAcl(call, Kind::kUser, userid, &session);
  if (!deleted.status.ok()) return std::move(deleted.status);
  const Session next = HandedOn(deleted);
  return Commit(
      call, StoreUserOrAcl(call, Kind::kUser, newuserid, UserDocument(newuserid, content), groups, &next));
}

Status ModifyGroup(const Call &call, std::string_view groupname, const GroupContent &group, Checks checks) {
  if (checks == Checks::kLinked && !CheckDefined(call, Kind::kGroup, groupname, nullptr).verdict.found()) {
    return Failed(MessageCode::kGroupNotDefined);
  }
  const Session session = OpenSession(call);
  if (session.lost()) return Failed(MessageCode::kSessionUnusable);
  const CheckResult target = Find(call, Kind::kGroup, group.name, &session);
  if (!target.status.ok() && groupname != group.name) {
    return RollBack(call, target, Failed(MessageCode::kGroupExists));
  }
  Session current = HandedOn(target);
  if (checks == Checks::kLinked) {
    // Every user and ACL the group refers to is looked up first, in the transaction.
    const LookupResult users = CheckAllDefined(call, Kind::kUser, group.users, &current);
    if (!users.verdict.found()) {
      return RollBack(call, users, MissingReference(users.verdict, "getstring(USER_NOT_DEFINED)"));
    }
    current = HandedOn(users);
    const LookupResult acls = CheckAllDefined(call, Kind::kAcl, group.acls, &current);
    if (!acls.verdict.found()) {
      return RollBack(call, acls, MissingReference(acls.verdict, "getstring(ACL_NOT_DEFINED)"));
    }
    current = HandedOn(acls);
  }
  // The delete's answer is not looked at: a refused delete shows as the store's refusal, if at all.
  const Session next = ParseSessionReply(DeleteGroupDocument(call, groupname, &current));
  return Commit(call, StoreGroup(call, group, &next, checks));
}

Status ModifyAcl(const Call &call, std::string_view aclname, std::string_view newaclname,
                 std::span<const std::string> groups, std::span<const Ace> aces, Checks checks) {
  if (checks == Checks::kLinked && !GroupsExist(call, groups)) return Failed(MessageCode::kGroupNotDefined);
  const Session session = OpenSession(call);
  // Nothing has been sent in the session yet; it is left to the server.
  if (Status unique = CheckDuplicateAces(aces); !unique.ok()) return unique;
  if (session.lost()) return Failed(MessageCode::kSessionUnusable);
  const CheckResult target = Find(call, Kind::kAcl, newaclname, &session);
  if (!target.status.ok() && aclname != newaclname)
    return RollBack(call, target, Failed(MessageCode::kAclExists));
  const Session current = HandedOn(target);
  CheckResult deleted = DeleteUserOrAcl(call, Kind::kAcl, aclname, &current);
  if (!deleted.status.ok()) return std::move(deleted.status);
  const Session next = HandedOn(deleted);
  return Commit(call,
                StoreUserOrAcl(call, Kind::kAcl, newaclname, AclDocument(newaclname, aces), groups, &next));
}

}  // namespace custor
