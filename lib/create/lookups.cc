#include "create/lookups.h"

#include <optional>

#include "core/commands.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

// The reply to the lookup query for `name`, sent inside `session` when one is given.
std::string Ask(const Call &call, Kind kind, std::string_view name, const Session *session) {
  std::string query = ObjectQuery(kind, name);
  return ExecuteServerCommand(call, session != nullptr ? InSession(std::move(query), *session) : query);
}

// The reply's verdict, and the identity it announces when the lookup went inside a session.
Status Judge(std::string_view reply, const Session *session, std::optional<Session> &announced) {
  if (session == nullptr) return CheckReply(reply);
  CheckedReply checked = CheckSessionReply(reply);
  announced = std::move(checked.session);
  return std::move(checked.verdict);
}

}  // namespace

CheckResult Find(const Call &call, Kind kind, std::string_view name, const Session *session) {
  CheckResult result;
  const std::string reply = Ask(call, kind, name, session);
  if (QueryResult(reply)) {
    result.status = Judge(reply, session, result.session);
  } else if (session != nullptr) {
    // Nothing stands in the way of a create.
    result.session = ParseSessionReply(reply);
  }
  return result;
}

LookupResult CheckDefined(const Call &call, Kind kind, std::string_view name, const Session *session) {
  LookupResult result{Verdict::Found(), std::nullopt};
  const std::string reply = Ask(call, kind, name, session);
  const Status verdict = Judge(reply, session, result.session);
  if (!verdict.ok()) {
    result.verdict = Verdict::Failed(verdict.failure());
  } else if (!QueryResult(reply)) {
    result.verdict = Verdict::Absent(NamesOf(kind).not_defined);
  }
  return result;
}

LookupResult CheckAllDefined(const Call &call, Kind kind, std::span<const std::string> names,
                             const Session *session) {
  LookupResult result{Verdict::Found(), session != nullptr ? std::optional<Session>(*session) : std::nullopt};
  for (const std::string &name : names) {
    const std::optional<Session> previous = std::move(result.session);
    result = CheckDefined(call, kind, name, previous ? &*previous : nullptr);
    if (!result.verdict.found()) break;
  }
  return result;
}

}  // namespace custor
