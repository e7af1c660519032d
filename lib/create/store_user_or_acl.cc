#include "create/store_user_or_acl.h"

#include <vector>

#include "core/documents.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"
#include "queries/group_details.h"

namespace custor {
namespace {

// The rewrite of group `groupname`, as read, with the reference to `name` of `kind` ahead of the ones
// it had, under the group's kiv:id.
std::string GroupWithReference(std::string_view groupname, const GroupData &group, Kind kind,
                               std::string_view name) {
  std::vector<std::string> users, acls;
  std::vector<std::string> &extended = kind == Kind::kUser ? users : acls;
  extended.emplace_back(name);
  users.insert(users.end(), group.users.begin(), group.users.end());
  acls.insert(acls.end(), group.acls.begin(), group.acls.end());
  return GroupDocument(groupname, users, acls, *group.nameOrId);
}

// A result without a session: every outcome but a refused store and success in the caller's session.
CheckResult Failed(MessageCode code) { return CheckResult{Status::Failed(MessageText(code)), std::nullopt}; }

}  // namespace

CheckResult StoreUserOrAcl(const Call &call, Kind kind, std::string_view name, std::string document,
                           std::span<const std::string> groups, const Session *session) {
  Session s = session != nullptr ? *session : OpenSession(call);
  // Only an unreadable id stops the store here; a refused connect still carries id and key "0".
  if (s.lost()) return Failed(MessageCode::kSessionUnusable);

  CheckedReply checked = CheckSessionReply(ExecuteServerCommand(call, InSession(std::move(document), s)));
  if (!checked.verdict.ok()) {
    // The server refuses a second document of one name as an unknown error: the object exists.
    CheckResult refused{IsUnknownError(checked.verdict) ? Status::Failed(MessageText(NamesOf(kind).exists))
                                                        : std::move(checked.verdict),
                        std::move(checked.session)};
    if (!refused.session->lost()) EndSession(*refused.session, call, End::kRollback);
    return refused;
  }
  s = std::move(checked.session);
  if (s.lost()) return Failed(MessageCode::kSessionUnusable);

  for (const std::string &groupname : groups) {
    const GroupData group = ReadGroupData(call, groupname, Reading::InSession(s));
    // Without a reply to the first query the read hands no session back; go on with the one it used.
    if (group.session) s = *group.session;
    if (!group.nameOrId || !Found(*group.nameOrId)) {
      // The group does not exist: the rollback takes the stored document with it.
      EndSession(s, call, End::kRollback);
      return Failed(MessageCode::kGroupToLinkMissing);
    }
    if (s.lost()) return Failed(MessageCode::kSessionUnusable);
    // A refused rewrite is not reported; only a reply without a session stops the store.
    s = ParseSessionReply(
        ExecuteServerCommand(call, InSession(GroupWithReference(groupname, group, kind, name), s)));
    if (s.lost()) return Failed(MessageCode::kSessionUnusable);
  }

  // Every session that got here was announced without a failure.
  if (session != nullptr) return CheckResult{Status::Ok(), s};
  EndSession(s, call, End::kCommit);
  return CheckResult{Status::Ok(), std::nullopt};
}

}  // namespace custor
