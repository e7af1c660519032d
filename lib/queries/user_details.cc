#include "queries/user_details.h"

#include "core/commands.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

// The user data: the first run of character data inside the query result, or the empty text when
// the result holds none or the reply has no result at all.
std::string UserDataOf(const std::string &reply) {
  const std::optional<std::string> result = QueryResult(reply);
  if (!result) return std::string();
  return CollectTextValues(*result)[0];
}

}  // namespace

UserDetails ReadUserDetails(const Call &call, std::string_view userid, Reading reading, UserGroups groups) {
  ReadSession session(call, reading);
  UserDetails user;
  user.status = Status::FromText(session.current().status);
  if (!session.usable()) {
    session.End(End::kRollback);
    return user;
  }

  // Neither reply is checked: a missing user or a server error reads as no data and no group.
  const std::string document = session.Send(ObjectQuery(Kind::kUser, userid));
  user.data = UserDataOf(document);
  session.Refresh(document);

  if (groups == UserGroups::kRead) {
    const std::string referring = session.Send(SortedReferringGroupsQuery(Kind::kUser, userid));
    if (!Answered(referring)) {
      // The server is out of reach: nothing more is sent, and the session is left as it is.
      user.status = Status::Failed(referring);
      user.session = session.current();
      return user;
    }
    user.groups = std::move(CollectAttributeValues(referring, NameValues(Kind::kGroup)).values());
    session.Refresh(referring);
  }

  if (session.owned()) session.End(End::kCommit);
  user.session = session.current();
  return user;
}

UserDataTable ReadUserDataTable(const Call &call) {
  UserDataTable table;
  const std::string list = ExecuteServerCommand(call, NameListQuery(Kind::kUser));
  if (!Answered(list)) {
    table.status = Status::Failed(list);
    return table;
  }
  table.userIds = std::move(CollectAttributeValues(list, NameValues(Kind::kUser)).values());
  table.userData.reserve(table.userIds.size());
  for (const std::string &id : table.userIds) {
    // A user whose document cannot be read keeps the empty text; the list goes on.
    table.userData.push_back(
        ReadUserDetails(call, id, Reading::Sessionless(), UserGroups::kLeftOut).data.value_or(std::string()));
  }
  return table;
}

}  // namespace custor
