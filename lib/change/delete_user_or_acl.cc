#include "change/delete_user_or_acl.h"

#include <utility>
#include <vector>

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"
#include "queries/group_details.h"

namespace custor {
namespace {

// A group that refers to the deleted object, as the reference query listed it.
struct ReferringGroup {
  std::string id;
  std::string name;
};

std::string DeleteCommand(std::string_view name, int kind, const Session &session) {
  std::string command =
      kind == kUserKind ? "_delete=kiv:user[@kiv:userid=\"" : "_delete=kiv:acl[@kiv:aclname=\"";
  command += name;
  command += "\"]";
  return command + SessionTail(session);
}

std::string ReferenceQuery(std::string_view name, int kind, const Session &session) {
  std::string query =
      kind == kUserKind ? "_XQL=/kiv:group [kiv:userref=\"" : "_XQL=/kiv:group [kiv:aclref=\"";
  query += name;
  query += "\"]";
  return query + SessionTail(session);
}

// Pair i joins the i-th kiv:id and the i-th kiv:groupname of the reply; there are as many groups as ids.
std::vector<ReferringGroup> ReferringGroups(std::string_view reply) {
  ScanValues ids = CollectAttributeValues(reply, "kiv:group", "kiv:id");
  const ScanValues names = CollectAttributeValues(reply, "kiv:group", "kiv:groupname");
  std::vector<ReferringGroup> groups;
  groups.reserve(ids.values().size());
  for (std::size_t i = 0; i < ids.values().size(); ++i) {
    groups.push_back(ReferringGroup{std::move(ids.values()[i]), names[i]});
  }
  return groups;
}

void AppendReferences(std::string &document, const char *element, const std::vector<std::string> &references,
                      std::string_view dropped, bool drop) {
  for (const std::string &reference : references) {
    if (drop && reference == dropped) continue;
    document += '<';
    document += element;
    document += '>';
    document += reference;
    document += "</";
    document += element;
    document += '>';
  }
}

// The group document under its existing kiv:id with every reference but those to the deleted object;
// nothing else of the stored document is carried over.
std::string GroupRewrite(const ReferringGroup &group, const GroupData &read, std::string_view name, int kind,
                         const Session &session) {
  std::string command = "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"";
  command += group.id;
  command += "\" kiv:groupname=\"";
  command += group.name;
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  AppendReferences(command, "kiv:userref", read.users, name, kind == kUserKind);
  AppendReferences(command, "kiv:aclref", read.acls, name, kind == kAclKind);
  command += "</kiv:group>";
  return command + SessionTail(session);
}

CheckResult Failed(std::string status) { return CheckResult{std::move(status), std::nullopt}; }

}  // namespace

CheckResult DeleteUserOrAcl(const Call &call, std::string_view name, int kind, const Session *session) {
  const bool own = session == nullptr;
  Session current = own ? createSession(call) : *session;
  if (current.sessionId == kParseErr) {
    // A connect that reported success without a session id leaves status "0"; that is no success.
    return Failed(current.status == "0" ? MessageText("KIVAAE0370") : current.status);
  }

  CheckedReply deleted = CheckSessionReply(ExecuteServerCommand(call, DeleteCommand(name, kind, current)));
  // The server keeps the key of a refused command, so the rollback goes with the identity of the delete.
  if (deleted.verdict == kNoMatchingDocument) {
    endTransaction(&current, call, 1);
    return Failed(std::move(deleted.verdict));
  }
  // Any other refusal of the delete goes on with the clean-up, as long as the session can be read.
  current = std::move(deleted.session);
  if (current.sessionId == kParseErr) return Failed(MessageText("KIVAAE0370"));

  const std::string query_reply = ExecuteServerCommand(call, ReferenceQuery(name, kind, current));
  const std::vector<ReferringGroup> groups = ReferringGroups(query_reply);
  current = ParseSessionReply(query_reply);
  if (current.sessionId == kParseErr) return Failed(MessageText("KIVAAE0370"));

  // Every referring group is rewritten, in reply order; a group the server refuses to store does not
  // stop the others.
  for (const ReferringGroup &group : groups) {
    const GroupData read = ReadGroupData(call, group.name, &current, false);
    if (!read.session || read.session->sessionId == kParseErr) return Failed(MessageText("KIVAAF0369"));
    const std::string reply =
        ExecuteServerCommand(call, GroupRewrite(group, read, name, kind, *read.session));
    current = ParseSessionReply(reply);
    if (current.sessionId == kParseErr) return Failed(MessageText("KIVAAF0369"));
  }

  if (own) {
    endTransaction(&current, call, 0);
    return CheckResult{"0", std::nullopt};
  }
  return CheckResult{"0", std::move(current)};
}

std::string deleteUser(const Call &call, std::string_view userid) {
  return DeleteUserOrAcl(call, userid, kUserKind, nullptr).status;
}

std::string deleteACL(const Call &call, std::string_view aclname) {
  return DeleteUserOrAcl(call, aclname, kAclKind, nullptr).status;
}

}  // namespace custor
