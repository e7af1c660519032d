#include "queries/name_lists.h"

#include "core/commands.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {

Names ListNames(const Call &call, Kind kind) {
  Names list;
  const std::string reply = ExecuteServerCommand(call, NameListQuery(kind));
  if (!Answered(reply)) {
    list.status = Status::Failed(reply);
    return list;
  }
  auto [names, returns] = CollectAttributeValues(reply, {NameValues(kind), kReturnValues});
  list.status = CheckReply(reply, returns);
  if (list.status.ok()) list.names = std::move(names.values());
  return list;
}

}  // namespace custor
