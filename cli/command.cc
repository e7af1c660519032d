#include "cli/command.h"

#include <ostream>

#include "cli/records.h"
#include "cli/results.h"
#include "cli/retry.h"

namespace custor::cli {

const char *Context::Database() const {
  if (database.empty()) throw UsageError("this command needs a database: --db NAME or CUSTOR_DB");
  return database.c_str();
}

Json SessionJson(const ::SessionRecord *session) {
  if (session == nullptr) return nullptr;
  return Json{{"sessionId", Nullable(session->sessionId)},
              {"sessionKey", Nullable(session->sessionKey)},
              {"status", Nullable(session->status)}};
}

std::string Changing(const Context &context, const std::string &what, const std::function<char *()> &call) {
  return WithRetries(
      context.retries, [&] { return Text(Owned<char>(call()).get()); },
      [&](int n, const std::string &answer) {
        *context.err << "custor: " << what << ": " << answer << "; running it again (" << n << " of "
                     << context.retries << ")\n";
      });
}

int FinishStatus(const Context &context, const std::string &status, const char *success) {
  const bool ok = status == success;
  if (context.json) *context.out << Dump(Json{{"status", status}}) << '\n';
  if (!ok) *context.err << status << '\n';
  return ok ? kSuccess : kFailure;
}

int FinishRecord(const Context &context, const std::string &status, const Json &json,
                 const std::string &table) {
  const bool ok = status == "0";
  if (context.json) {
    *context.out << Dump(json) << '\n';
  } else if (ok) {
    *context.out << table;
  }
  if (!ok) *context.err << status << '\n';
  return ok ? kSuccess : kFailure;
}

}  // namespace custor::cli
