#include "queries/name_lists.h"

#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"

namespace custor {
namespace {

// One sessionless query; the names of attribute `attribute` of every `element`, in reply order (the
// server sorts them). A server error drops the names and becomes the status.
Names ListNames(const Call &call, const char *command, const char *element, const char *attribute) {
  Names list;
  const std::string reply = ExecuteServerCommand(call, command);
  if (reply == kRequestFailed) {
    list.status = reply;
    return list;
  }
  auto [names, returns] = CollectAttributeValues(reply, {{element, attribute}, kReturnValues});
  std::string verdict = CheckReply(reply, returns);
  if (verdict != "0") {
    list.status = std::move(verdict);
    return list;
  }
  list.names = std::move(names.values());
  return list;
}

}  // namespace

Names getUsers(const Call &call) {
  return ListNames(call, "_XQL=/kiv:user sortby(@kiv:userid)", "kiv:user", "kiv:userid");
}

Names getGroups(const Call &call) {
  return ListNames(call, "_XQL=/kiv:group sortby(@kiv:groupname)", "kiv:group", "kiv:groupname");
}

Names getACLs(const Call &call) {
  return ListNames(call, "_XQL=/kiv:acl sortby(@kiv:aclname)", "kiv:acl", "kiv:aclname");
}

}  // namespace custor
