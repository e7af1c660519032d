#include "create/store_user_or_acl.h"

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"
#include "queries/group_details.h"

namespace custor {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";

// The "_process=" command of a user document: no XML declaration; the content goes in as the agent
// composed it.
std::string UserDocument(std::string_view userid, std::string_view content, const Session &session) {
  std::string command = "_process=<kiv:user kiv:userid=\"";
  command.append(userid);
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  command.append(content);
  command += "</kiv:user>";
  return command + SessionTail(session);
}

// The "_process=" command of an ACL document; entries whose omit is exactly "1" are left out.
std::string AclDocument(std::string_view aclname, const std::vector<Ace> &aces, const Session &session) {
  std::string command = "_process=";
  command += kDeclaration;
  command += "<kiv:acl kiv:aclname=\"";
  command.append(aclname);
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  for (const Ace &ace : aces) {
    if (ace.omit == "1") continue;
    command += "<kiv:ace kiv:access=\"" + ace.access + "\">" + ace.text + "</kiv:ace>";
  }
  command += "</kiv:acl>";
  return command + SessionTail(session);
}

// The rewrite of group `groupname` under its kiv:id with the new reference ahead of the ones it had.
std::string GroupRewrite(std::string_view groupname, const GroupData &group, std::string_view name,
                         bool user_mode, const Session &session) {
  std::string command = "_process=";
  command += kDeclaration;
  command += "<kiv:group kiv:id=\"" + group.nameOrId.value_or("") + "\" kiv:groupname=\"";
  command.append(groupname);
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  if (user_mode) command += "<kiv:userref>" + std::string(name) + "</kiv:userref>";
  for (const std::string &userid : group.users) command += "<kiv:userref>" + userid + "</kiv:userref>";
  if (!user_mode) command += "<kiv:aclref>" + std::string(name) + "</kiv:aclref>";
  for (const std::string &aclname : group.acls) command += "<kiv:aclref>" + aclname + "</kiv:aclref>";
  command += "</kiv:group>";
  return command + SessionTail(session);
}

bool Lost(const Session &session) { return session.sessionId == kParseErr; }

// A result without a session: every outcome but a refused store and success in the caller's session.
CheckResult Answer(std::string status) { return CheckResult{std::move(status), std::nullopt}; }

}  // namespace

CheckResult StoreUserOrAcl(const Call &call, std::string_view name, const std::string *content,
                           const std::vector<Ace> *acl, const std::vector<std::string> *groups,
                           const Session *session) {
  const bool user_mode = acl == nullptr;
  Session s = session != nullptr ? *session : createSession(call);
  // Only an unreadable id stops the store here; a refused connect still carries id and key "0".
  if (Lost(s)) return Answer(MessageText("KIVAAE0370"));

  const std::string command =
      user_mode ? UserDocument(name, content != nullptr ? *content : "", s) : AclDocument(name, *acl, s);
  CheckedReply checked = CheckSessionReply(ExecuteServerCommand(call, command));
  if (checked.verdict != "0") {
    // The server refuses a second document of one name as an unknown error: the object exists.
    CheckResult refused;
    refused.status = checked.verdict == kUnknownError ? MessageText(user_mode ? "KIVAAE0387" : "KIVAAE0386")
                                                      : std::move(checked.verdict);
    refused.session = std::move(checked.session);
    if (!Lost(*refused.session)) endTransaction(&*refused.session, call, 1);
    return refused;
  }
  s = std::move(checked.session);
  if (Lost(s)) return Answer(MessageText("KIVAAE0370"));

  if (groups != nullptr) {
    for (const std::string &groupname : *groups) {
      const GroupData group = ReadGroupData(call, groupname, &s, false);
      // Without a reply to the first query the read hands no session back; go on with the one it used.
      if (group.session) s = *group.session;
      if (!group.nameOrId || *group.nameOrId == kParseErr) {
        // The group does not exist: the rollback takes the stored document with it.
        endTransactionNew(&s, call, 1);
        return Answer(MessageText("KIVAAE0373"));
      }
      if (Lost(s)) return Answer(MessageText("KIVAAE0370"));
      // A refused rewrite is not reported; only a reply without a session stops the store.
      s = ParseSessionReply(ExecuteServerCommand(call, GroupRewrite(groupname, group, name, user_mode, s)));
      if (Lost(s)) return Answer(MessageText("KIVAAE0370"));
    }
  }

  if (session != nullptr) return CheckResult{s.status, s};
  endTransactionNew(&s, call, 0);
  return Answer(s.status);
}

}  // namespace custor
