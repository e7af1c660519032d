#include "cli/app.h"

#include <cstdlib>
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "cli/records.h"

namespace custor::cli {
namespace {

// Sets a variable of this process for the agent's services, which read their settings from there.
void SetEnv(const char *name, const std::string &value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::optional<std::string> Env(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

int RunCustor(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool terminal,
              bool out_terminal) {
  CLI::App app(
      "Security administration of the Corvane XML database server: users, groups and ACLs of one "
      "database, through libcustor.so",
      "custor");
  app.require_subcommand(1);
  // The global options may also come after the command: custor apply FILE --json.
  app.fallthrough();
  app.set_help_all_flag("--help-all", "Print help for every command");

  std::string library_path, key_file;
  std::optional<int> port;
  Context context;
  context.out = &out;
  context.err = &err;
  app.add_option("--library", library_path,
                 "libcustor.so to load (else CUSTOR_LIBRARY, else next to this program)");
  app.add_option("--db", context.database, "Database name")->envname("CUSTOR_DB");
  app.add_option("--port", port, "Server port on localhost (sets CUSTOR_PORT; default 4730)")
      ->check(CLI::Range(1, 65535));
  app.add_option("--key-file", key_file,
                 "File holding the access key that every request carries to corvaned (sets CUSTOR_KEY_FILE)")
      ->check(CLI::ExistingFile);
  app.add_option("--connection", context.connection, "Connection word handed to the request service");
  app.add_option("--retries", context.retries,
                 "Run a change again, at most N times, when the server answers it with a transaction "
                 "conflict (KIVXTE0070: nothing of it was applied)")
      ->check(CLI::Range(0, 1000))
      ->default_val(3);
  app.add_flag("--json", context.json, "Print JSON for scripts instead of tables");

  Action action;
  AddListCommands(app, context, action);
  AddUserCommands(app, context, action);
  AddGroupCommands(app, context, action);
  AddAclCommands(app, context, action);
  AddSessionCommands(app, context, action);
  AddFrameCommands(app, context, action);
  AddCheckCommand(app, context, action);
  AddApplyCommand(app, context, action);
  AddExportCommand(app, context, action);

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
    app.parse(reversed);
  } catch (const CLI::ParseError &error) {
    const int status = app.exit(error, out, err);
    return status == 0 ? kSuccess : kUsage;
  } catch (const UsageError &error) {
    err << "custor: " << error.what() << '\n';
    return kUsage;
  }
  context.progress = terminal && !context.json;
  context.out_terminal = out_terminal;

  if (port) SetEnv("CUSTOR_PORT", std::to_string(*port));
  if (!key_file.empty()) SetEnv("CUSTOR_KEY_FILE", key_file);
  Library library(LibraryCandidates(library_path.empty() ? std::nullopt : std::optional(library_path),
                                    Env("CUSTOR_LIBRARY"), ProgramDir(), CUSTOR_INSTALL_LIBDIR));
  context.library = &library;
  try {
    return action ? action() : kUsage;
  } catch (const UsageError &error) {
    err << "custor: " << error.what() << '\n';
    return kUsage;
  } catch (const LoadError &error) {
    err << "custor: " << error.what() << '\n';
    return kFailure;
  }
}

}  // namespace custor::cli
