#include "change/ace_checks.h"

#include <unordered_set>

#include "core/commands.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {

bool CheckAceDefined(const Call &call, std::string_view aclname, std::string_view text) {
  return QueryResult(ExecuteServerCommand(call, EntryQuery(aclname, text))).has_value();
}

Status CheckDuplicateAces(std::span<const Ace> aces) {
  // Only the entry texts count: equal texts are duplicates whatever their access or omit.
  std::unordered_set<std::string_view> seen;
  for (const Ace &ace : aces) {
    if (!seen.insert(ace.text).second) return Status::Failed(MessageText(MessageCode::kDuplicateEntryText));
  }
  return Status::Ok();
}

}  // namespace custor
