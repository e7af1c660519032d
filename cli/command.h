// What every command family shares: the parsed global options, the loaded library, and the way a
// result becomes output and an exit status.
#ifndef CUSTOR_CLI_COMMAND_H_
#define CUSTOR_CLI_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "cli/loader.h"
#include "cli/output.h"
#include "custor/custor.h"

namespace custor::cli {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Context {
  Library *library = nullptr;
  std::string database;  // --db
  uint32_t connection = 0;
  bool json = false;
  int retries = 3;            // --retries: runs of a data-changing call again after a transaction conflict
  bool progress = false;      // long work may show a progress line on `err` (a terminal, and no --json)
  bool out_terminal = false;  // `out` is a terminal: a progress line is taken away before writing to it
  std::ostream *out = nullptr;
  std::ostream *err = nullptr;

  // The database, which every server command needs; a UsageError without one.
  const char *Database() const;
};

// The command that the parsed line selected; each family sets it from its subcommands' callbacks.
using Action = std::function<int()>;

// A data-changing call that answers a status text (`call`), run again after a transaction conflict as
// --retries allows, each time said on stderr with `what` (such as "delete user bob"); its last answer.
std::string Changing(const Context &context, const std::string &what, const std::function<char *()> &call);

// Ends a command whose result is a status text: "0" (or `success`, when given) is success and prints
// nothing but the JSON form; anything else goes to stderr as it came and gives kFailure.
int FinishStatus(const Context &context, const std::string &status, const char *success = "0");

// Ends a command whose result is a record with a status: on success `table` (people) or `json`
// (scripts) goes to stdout; a failing status goes to stderr as it came, after the JSON if asked.
int FinishRecord(const Context &context, const std::string &status, const Json &json,
                 const std::string &table);

// The session that a returned record carries, for the JSON form; null when there is none.
Json SessionJson(const ::SessionRecord *session);

// The command families.
void AddListCommands(CLI::App &app, Context &context, Action &action);
void AddUserCommands(CLI::App &app, Context &context, Action &action);
void AddGroupCommands(CLI::App &app, Context &context, Action &action);
void AddAclCommands(CLI::App &app, Context &context, Action &action);
void AddSessionCommands(CLI::App &app, Context &context, Action &action);
void AddFrameCommands(CLI::App &app, Context &context, Action &action);
// The daily work built on the operations: check [--repair], apply FILE, export.
void AddCheckCommand(CLI::App &app, Context &context, Action &action);
void AddApplyCommand(CLI::App &app, Context &context, Action &action);
void AddExportCommand(CLI::App &app, Context &context, Action &action);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_COMMAND_H_
