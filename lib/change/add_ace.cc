#include "change/add_ace.h"

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"
#include "queries/acl_details.h"

namespace custor {
namespace {

constexpr std::string_view kInvalidAclId = "Invalid kiv:id or kiv:id could not be retrieved";

void AppendEntry(std::string &document, std::string_view access, std::string_view text) {
  document += "<kiv:ace kiv:access=\"";
  document += access;
  document += "\">";
  document += text;
  document += "</kiv:ace>";
}

// The ACL as read, under its kiv:id, with the new entry last; every read entry is written back.
std::string AclRewrite(const AclData &acl, std::string_view aclname, std::string_view text,
                       std::string_view access, const Session &session) {
  std::string command = "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:id=\"";
  command += *acl.id;
  command += "\" kiv:aclname=\"";
  command += aclname;
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  for (const Ace &ace : acl.aces) AppendEntry(command, ace.access, ace.text);
  AppendEntry(command, access, text);
  command += "</kiv:acl>";
  return command + SessionTail(session);
}

}  // namespace

std::string addACE(const Call &call, std::string_view aclname, std::string_view text,
                   std::string_view access) {
  Session session = createSession(call);
  if (session.sessionId == kParseErr) return MessageText("KIVAAE0370");
  // Asked without the session: nothing has been sent in it yet, and it is left to the server.
  if (CheckAceDefined(call, aclname, text) == "1") return MessageText("KIVAAE0377");

  const AclData acl = ReadAclData(call, aclname, &session, false);
  if (acl.status != "0" || !acl.session) return MessageText("KIVXHE8201");
  // A document without its kiv:id would be stored as a second ACL of the same name.
  if (!acl.id || acl.id->empty() || *acl.id == kParseErr) {
    endTransaction(&*acl.session, call, 1);
    return std::string(kInvalidAclId);
  }

  CheckedReply checked =
      CheckSessionReply(ExecuteServerCommand(call, AclRewrite(acl, aclname, text, access, *acl.session)));
  // The commit follows whatever the server answered to the store.
  session = std::move(checked.session);
  endTransaction(&session, call, 0);
  return std::move(checked.verdict);
}

}  // namespace custor
