#include "change/delete_group.h"

#include "core/scan.h"
#include "core/transport.h"

namespace custor {

CheckResult DeleteGroupDocument(const Call &call, std::string_view groupname, const Session *session) {
  std::string command = "_delete=kiv:group[@kiv:groupname=\"";
  command += groupname;
  command += "\"]";
  if (session != nullptr) command += SessionTail(*session);
  std::string reply = ExecuteServerCommand(call, command);
  CheckResult result;
  // In a transaction the caller goes on whatever the server answered; a refused delete shows only in
  // what the transaction does next.
  if (session != nullptr) {
    result.session = ParseSessionReply(reply);
  } else {
    result.status = std::move(reply);
  }
  return result;
}

std::string deleteGroup(const Call &call, std::string_view groupname) {
  return CheckReply(DeleteGroupDocument(call, groupname, nullptr).status);
}

}  // namespace custor
