#include "queries/user_details.h"

#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"
#include "queries/read_session.h"

namespace custor {
namespace {

// The user data: the first run of character data inside the query result, or the empty text when
// the result holds none or the reply has no result at all.
std::string UserDataOf(const std::string &reply) {
  const std::string result = ExtractElement(reply, "xql:result");
  if (result == kTagNotFound) return std::string();
  return CollectTextValues(result)[0];
}

}  // namespace

UserDetails ReadUserDetails(const Call &call, std::string_view userid, bool sessionless,
                            const Session *callerSession, bool withGroups) {
  ReadSession session(call, callerSession, sessionless);
  UserDetails user;
  user.status = session.current().status;
  if (!session.usable()) {
    session.End(1);
    return user;
  }

  const std::string id(userid);
  // Neither reply is checked: a missing user or a server error reads as no data and no group.
  const std::string document = session.Send("_XQL=/kiv:user [@kiv:userid=\"" + id + "\"]");
  user.data = UserDataOf(document);
  session.Refresh(document);

  if (withGroups) {
    const std::string groups =
        session.Send("_XQL=/kiv:group [kiv:userref=\"" + id + "\"]sortby(@kiv:groupname)");
    if (groups == kRequestFailed) {
      // The server is out of reach: nothing more is sent, and the session is left as it is.
      user.status = groups;
      user.session = session.current();
      return user;
    }
    user.groups = std::move(CollectAttributeValues(groups, "kiv:group", "kiv:groupname").values());
    session.Refresh(groups);
  }

  if (session.owned()) session.End(0);
  user.session = session.current();
  return user;
}

UserDetails getDetailsForUser(const Call &call, std::string_view userid) {
  return ReadUserDetails(call, userid, false, nullptr, true);
}

UserDetails getDetailsForUser_RO(const Call &call, std::string_view userid) {
  return ReadUserDetails(call, userid, true, nullptr, true);
}

UserDataTable getUserData(const Call &call) {
  UserDataTable table;
  const std::string list = ExecuteServerCommand(call, "_XQL=/kiv:user sortby(@kiv:userid)");
  if (list == kRequestFailed) {
    table.status = list;
    return table;
  }
  table.userIds = std::move(CollectAttributeValues(list, "kiv:user", "kiv:userid").values());
  table.userData.reserve(table.userIds.size());
  for (const std::string &id : table.userIds) {
    // A user whose document cannot be read keeps the empty text; the list goes on.
    table.userData.push_back(ReadUserDetails(call, id, true, nullptr, false).data.value_or(std::string()));
  }
  return table;
}

}  // namespace custor
