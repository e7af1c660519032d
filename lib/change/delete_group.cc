#include "change/delete_group.h"

#include "core/commands.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {

std::string DeleteGroupDocument(const Call &call, std::string_view groupname, const Session *session) {
  std::string command = DeleteCommand(Kind::kGroup, groupname);
  return ExecuteServerCommand(call, session != nullptr ? InSession(std::move(command), *session) : command);
}

Status DeleteGroup(const Call &call, std::string_view groupname) {
  return CheckReply(DeleteGroupDocument(call, groupname, nullptr));
}

}  // namespace custor
