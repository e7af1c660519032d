// custor: the command-line management agent. It loads libcustor.so as an agent does, provides the
// agent's services (linked from libcustor-agent.so) and calls one library function per command.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "cli/records.h"

namespace {

std::optional<std::string> Env(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::optional<std::string>(value) : std::nullopt;
}

// The whole program; what it does not handle itself reaches main as an exception.
int Run(int argc, char **argv) {
  using namespace custor::cli;
  CLI::App app(
      "Security administration of the Corvane XML database server: users, groups and ACLs of one "
      "database, through libcustor.so",
      "custor");
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Print help for every command");

  std::string library_path;
  std::optional<int> port;
  Context context;
  context.out = &std::cout;
  context.err = &std::cerr;
  app.add_option("--library", library_path,
                 "libcustor.so to load (else CUSTOR_LIBRARY, else next to this program)");
  app.add_option("--db", context.database, "Database name")->envname("CUSTOR_DB");
  app.add_option("--port", port, "Server port on localhost (sets CUSTOR_PORT; default 4730)")
      ->check(CLI::Range(1, 65535));
  app.add_option("--connection", context.connection, "Connection word handed to the request service");
  app.add_flag("--json", context.json, "Print JSON for scripts instead of tables");

  Action action;
  AddListCommands(app, context, action);
  AddUserCommands(app, context, action);
  AddGroupCommands(app, context, action);
  AddAclCommands(app, context, action);
  AddSessionCommands(app, context, action);
  AddFrameCommands(app, context, action);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &error) {
    const int status = app.exit(error);
    return status == 0 ? kSuccess : kUsage;
  } catch (const UsageError &error) {
    std::cerr << "custor: " << error.what() << '\n';
    return kUsage;
  }

#ifdef _WIN32
  if (port) _putenv_s("CUSTOR_PORT", std::to_string(*port).c_str());
#else
  if (port) setenv("CUSTOR_PORT", std::to_string(*port).c_str(), 1);
#endif
  Library library(LibraryCandidates(library_path.empty() ? std::nullopt : std::optional(library_path),
                                    Env("CUSTOR_LIBRARY"), ProgramDir(), CUSTOR_INSTALL_LIBDIR));
  context.library = &library;
  try {
    return action ? action() : kUsage;
  } catch (const UsageError &error) {
    std::cerr << "custor: " << error.what() << '\n';
    return kUsage;
  } catch (const LoadError &error) {
    std::cerr << "custor: " << error.what() << '\n';
    return kFailure;
  }
}

}  // namespace

// Out of memory, or a fault of the standard library: said on stderr, never an abort.
int main(int argc, char **argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception &error) {
    std::cerr << "custor: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "custor: unexpected failure\n";
  }
  return custor::cli::kFailure;
}
