// build, readonly: the library frame.
#include <ostream>

#include "cli/command.h"
#include "cli/exported.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

int ShowBuild(Context &context) {
  Owned<char> banner(CUSTOR_EXPORTED(*context.library, giveBuild)());
  const std::string text = Text(banner.get());
  if (context.json) {
    *context.out << Dump(Json{{"build", text}}) << '\n';
  } else {
    *context.out << text << '\n';
  }
  return kSuccess;
}

int ShowReadOnly(Context &context) {
  const int32_t answer = CUSTOR_EXPORTED(*context.library, db_isreadonly)(context.Database());
  if (context.json) *context.out << Dump(Json{{"readonly", answer}}) << '\n';
  if (answer < 0) {
    *context.err << "no working storage for the read-only check\n";
    return kFailure;
  }
  if (!context.json) *context.out << (answer == 1 ? "read-only" : "not read-only") << '\n';
  return kSuccess;
}

}  // namespace

void AddFrameCommands(CLI::App &app, Context &context, Action &action) {
  app.add_subcommand("build", "Print the library's build banner (calls giveBuild)")->callback([&] {
    action = [&context] { return ShowBuild(context); };
  });
  app.add_subcommand("readonly",
                     "Tell whether the database is read-only, by the agent's data-source settings "
                     "(calls db_isreadonly)")
      ->callback([&] { action = [&context] { return ShowReadOnly(context); }; });
}

}  // namespace custor::cli
