#include "queries/group_details.h"

#include "core/commands.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

// The texts inside the reply's xql:result: the values of the selected reference elements. A reply
// without a result (no reference, an error, no reply at all) gives none.
std::vector<std::string> ResultTexts(const std::string &reply) {
  const std::optional<std::string> result = QueryResult(reply);
  if (!result) return {};
  return std::move(CollectTextValues(*result).texts());
}

}  // namespace

GroupData ReadGroupData(const Call &call, std::string_view groupname, Reading reading) {
  ReadSession session(call, reading);
  GroupData group;
  if (!session.usable()) {
    group.status = Status::Failed(session.current().status);
    // A caller's session goes back to the caller unchanged; one of our own is given up.
    if (session.caller()) {
      group.session = session.current();
    } else {
      session.End(End::kRollback);
    }
    return group;
  }

  const std::string users = session.Send(GroupReferencesQuery(groupname, Kind::kUser));
  session.Refresh(users);
  if (!Answered(users)) {
    // The server is out of reach: nothing more is sent, and the session is left as it is.
    group.status = Status::Failed(users);
    return group;
  }
  group.users = ResultTexts(users);

  const std::string acls = session.Send(GroupReferencesQuery(groupname, Kind::kAcl));
  session.Refresh(acls);
  group.acls = ResultTexts(acls);

  const std::string document = session.Send(ObjectQuery(Kind::kGroup, groupname));
  session.Refresh(document);
  // The scanner's seed "VRX@DLL PARSE_ERR" stands for a group without a document.
  group.nameOrId = CollectAttributeValues(document, IdValues(Kind::kGroup))[0];

  group.session = session.Finish(End::kCommit);
  return group;
}

}  // namespace custor
