#include "queries/group_details.h"

#include "core/scan.h"
#include "core/text.h"
#include "queries/read_session.h"

namespace custor {
namespace {

// The texts inside the reply's xql:result: the values of the selected reference elements. A reply
// without a result (no reference, an error, no reply at all) gives none.
std::vector<std::string> ResultTexts(const std::string &reply) {
  const std::string result = ExtractElement(reply, "xql:result");
  if (result == kTagNotFound) return {};
  return std::move(CollectTextValues(result).texts());
}

}  // namespace

GroupData ReadGroupData(const Call &call, std::string_view groupname, const Session *callerSession,
                        bool sessionless) {
  ReadSession session(call, callerSession, sessionless);
  GroupData group;
  if (!session.usable()) {
    group.status = session.current().status;
    // A caller's session goes back to the caller unchanged; one of our own is given up.
    if (session.caller()) {
      group.session = session.current();
    } else {
      session.End(1);
    }
    return group;
  }

  const std::string selector = "_XQL=/kiv:group [@kiv:groupname=\"" + std::string(groupname) + "\"]";
  const std::string users = session.Send(selector + " /kiv:userref sortby(.)");
  session.Refresh(users);
  if (users == kRequestFailed) {
    // The server is out of reach: nothing more is sent, and the session is left as it is.
    group.status = users;
    return group;
  }
  group.status = "0";
  group.users = ResultTexts(users);

  const std::string acls = session.Send(selector + " /kiv:aclref sortby(.)");
  session.Refresh(acls);
  group.acls = ResultTexts(acls);

  const std::string document = session.Send(selector);
  session.Refresh(document);
  // The scanner's preset "VRX@DLL PARSE_ERR" stands for a group without a document.
  group.nameOrId = CollectAttributeValues(document, "kiv:group", "kiv:id")[0];

  group.session = session.Finish(0);
  return group;
}

GroupData getDataForGroup(const Call &call, std::string_view groupname) {
  return ReadGroupData(call, groupname, nullptr, false);
}

GroupData getDataForGroup_RO(const Call &call, std::string_view groupname) {
  return ReadGroupData(call, groupname, nullptr, true);
}

}  // namespace custor
