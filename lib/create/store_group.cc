#include "create/store_group.h"

#include <optional>
#include <string>

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"
#include "create/lookups.h"

namespace custor {
namespace {

const Session *Ptr(const std::optional<Session> &session) { return session ? &*session : nullptr; }

// The "_process=" command of a new group document: no kiv:id, so the server stores it as a new document.
std::string GroupDocument(const GroupContent &group, const std::optional<Session> &session) {
  std::string command = "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:groupname=\"";
  command += group.name;
  command += "\" xmlns:kiv=\"";
  command += kNamespace;
  command += "\">";
  for (const std::string &userid : group.users) command += "<kiv:userref>" + userid + "</kiv:userref>";
  for (const std::string &aclname : group.acls) command += "<kiv:aclref>" + aclname + "</kiv:aclref>";
  command += "</kiv:group>";
  if (session) command += SessionTail(*session);
  return command;
}

}  // namespace

CheckResult StoreGroup(const Call &call, const GroupContent &group, const Session *session, int mode) {
  std::optional<Session> current = session != nullptr ? std::optional<Session>(*session) : std::nullopt;
  if (mode == 1) {
    // Every referenced user, then every referenced ACL, must exist; the first missing one ends the
    // transaction with a rollback.
    CheckResult users = CheckUsersDefined(call, group, session);
    if (users.status != "1") {
      if (session != nullptr) endTransaction(Ptr(users.session), call, 1);
      return users;
    }
    CheckResult acls = CheckAclsDefined(call, group, Ptr(users.session));
    if (acls.status != "1") {
      endTransaction(Ptr(acls.session), call, 1);
      return acls;
    }
    current = std::move(acls.session);
  }

  CheckedReply checked = CheckSessionReply(ExecuteServerCommand(call, GroupDocument(group, current)));
  CheckResult result;
  if (!current) {
    // Standing alone, a refusal of the server (a group of that name exists) reads as the library's own.
    result.status = checked.verdict == kUnknownError ? MessageText("KIVAAE0400") : std::move(checked.verdict);
    return result;
  }
  result.session = std::move(checked.session);
  result.status = std::move(checked.verdict);
  if (result.status != "0") endTransaction(Ptr(result.session), call, 1);
  return result;
}

}  // namespace custor
