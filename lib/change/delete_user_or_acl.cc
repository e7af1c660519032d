#include "change/delete_user_or_acl.h"

#include <utility>
#include <vector>

#include "core/commands.h"
#include "core/documents.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"
#include "queries/group_details.h"

namespace custor {
namespace {

// A group that refers to the deleted object, as the reference query listed it.
struct ReferringGroup {
  std::string id;
  std::string name;
};

// Pair i joins the i-th kiv:id and the i-th kiv:groupname of the reply; there are as many groups as ids.
std::vector<ReferringGroup> ReferringGroups(std::string_view reply) {
  auto [ids, names] = CollectAttributeValues(reply, {IdValues(Kind::kGroup), NameValues(Kind::kGroup)});
  std::vector<ReferringGroup> groups;
  groups.reserve(ids.values().size());
  for (std::size_t i = 0; i < ids.values().size(); ++i) {
    groups.push_back(ReferringGroup{std::move(ids.values()[i]), names[i]});
  }
  return groups;
}

// `references` without every one to `name`, when they are of the deleted object's kind.
std::vector<std::string> Without(const std::vector<std::string> &references, std::string_view name,
                                 bool drop) {
  std::vector<std::string> kept;
  kept.reserve(references.size());
  for (const std::string &reference : references) {
    if (!drop || reference != name) kept.push_back(reference);
  }
  return kept;
}

// The group document under its existing kiv:id with every reference but those to the deleted object;
// nothing else of the stored document is carried over.
std::string GroupWithoutReference(const ReferringGroup &group, const GroupData &read, Kind kind,
                                  std::string_view name) {
  return GroupDocument(group.name, Without(read.users, name, kind == Kind::kUser),
                       Without(read.acls, name, kind == Kind::kAcl), group.id);
}

CheckResult Failed(Status status) { return CheckResult{std::move(status), std::nullopt}; }
CheckResult Failed(MessageCode code) { return Failed(Status::Failed(MessageText(code))); }

}  // namespace

CheckResult DeleteUserOrAcl(const Call &call, Kind kind, std::string_view name, const Session *session) {
  const bool own = session == nullptr;
  Session current = own ? OpenSession(call) : *session;
  if (current.lost()) {
    // A connect that reported success without a session id leaves the session usable; that is no success.
    return current.usable() ? Failed(MessageCode::kSessionUnusable) : Failed(Status::Failed(current.status));
  }

  CheckedReply deleted =
      CheckSessionReply(ExecuteServerCommand(call, InSession(DeleteCommand(kind, name), current)));
  // The server keeps the key of a refused command, so the rollback goes with the identity of the delete.
  if (IsNoMatchingDocument(deleted.verdict)) {
    EndSession(current, call, End::kRollback);
    return Failed(std::move(deleted.verdict));
  }
  // Any other refusal of the delete goes on with the clean-up, as long as the session can be read.
  current = std::move(deleted.session);
  if (current.lost()) return Failed(MessageCode::kSessionUnusable);

  const std::string query_reply =
      ExecuteServerCommand(call, InSession(ReferringGroupsQuery(kind, name), current));
  const std::vector<ReferringGroup> groups = ReferringGroups(query_reply);
  current = ParseSessionReply(query_reply);
  if (current.lost()) return Failed(MessageCode::kSessionUnusable);

  // Every referring group is rewritten, in reply order; a group the server refuses to store does not
  // stop the others.
  for (const ReferringGroup &group : groups) {
    const GroupData read = ReadGroupData(call, group.name, Reading::InSession(current));
    if (!read.session || read.session->lost()) return Failed(MessageCode::kReferencesNotRemoved);
    const std::string reply =
        ExecuteServerCommand(call, InSession(GroupWithoutReference(group, read, kind, name), *read.session));
    current = ParseSessionReply(reply);
    if (current.lost()) return Failed(MessageCode::kReferencesNotRemoved);
  }

  if (!own) return CheckResult{Status::Ok(), std::move(current)};
  EndSession(current, call, End::kCommit);
  return CheckResult{Status::Ok(), std::nullopt};
}

}  // namespace custor
