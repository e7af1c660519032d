// session open|commit|rollback: server sessions that outlive one command.
#include <ostream>

#include "cli/command.h"
#include "cli/exported.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

// What a successful disconnect answers.
constexpr const char *kSessionClosed = "Session closed";

int Open(Context &context) {
  Owned<SessionRecord> session(
      CUSTOR_EXPORTED(*context.library, createSession)(0, context.Database(), context.connection, 0));
  if (session == nullptr) throw LoadError("createSession returned nothing");
  return FinishRecord(context, Text(session->status), SessionJson(session.get()),
                      Fields({{"Session id", Visible(Text(session->sessionId))},
                              {"Session key", Visible(Text(session->sessionKey))}}));
}

struct EndOptions {
  std::string id, key;
  bool outcome = false;  // --new
};

int End(Context &context, const EndOptions &options, int32_t mode) {
  std::string id = options.id, key = options.key, status = "0";
  SessionRecord session{id.data(), key.data(), status.data()};
  if (!options.outcome) {
    Owned<char> result(CUSTOR_EXPORTED(*context.library, endTransaction)(&session, 0, context.Database(),
                                                                         context.connection, 0, mode));
    return FinishStatus(context, Text(result.get()), kSessionClosed);
  }
  Owned<TransactionOutcome> outcome(CUSTOR_EXPORTED(*context.library, endTransactionNew)(
      &session, 0, context.Database(), context.connection, 0, mode));
  if (outcome == nullptr) throw LoadError("endTransactionNew returned nothing");
  const std::string message = Text(outcome->message);
  const bool ok = message == kSessionClosed;
  if (context.json) {
    *context.out << Dump(Json{{"code", Nullable(outcome->code)}, {"message", Nullable(outcome->message)}})
                 << '\n';
  }
  if (!ok) *context.err << Text(outcome->code) << ": " << message << '\n';
  return ok ? kSuccess : kFailure;
}

void AddEnd(CLI::App &session, Context &context, Action &action, const char *name, int32_t mode,
            const char *what) {
  auto options = std::make_shared<EndOptions>();
  CLI::App *command = session.add_subcommand(
      name, std::string(what) + " the session's transaction, then disconnect (calls endTransaction, or " +
                "endTransactionNew with --new)");
  command->add_option("--id", options->id, "Session id, as 'session open' printed it")->required();
  command->add_option("--key", options->key, "Current session key")->required();
  command->add_flag("--new", options->outcome, "Call endTransactionNew, which answers a code and a message");
  command->callback([&context, &action, options, mode] {
    action = [&context, options, mode] { return End(context, *options, mode); };
  });
}

}  // namespace

void AddSessionCommands(CLI::App &app, Context &context, Action &action) {
  CLI::App *session = app.add_subcommand("session", "Open and end server sessions");
  session->require_subcommand(1);
  session->add_subcommand("open", "Open a session and print its id and key (calls createSession)")
      ->callback([&] { action = [&context] { return Open(context); }; });
  AddEnd(*session, context, action, "commit", 0, "Commit");
  AddEnd(*session, context, action, "rollback", 1, "Roll back");
}

}  // namespace custor::cli
