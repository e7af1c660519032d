// users, groups, acls: the name lists.
#include "cli/command.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

using ListFunction = NameList *(uint32_t, const char *, uint32_t, uint32_t);

int ShowList(Context &context, const char *function, const char *kind, const char *column) {
  Owned<NameList> list(
      context.library->Get<ListFunction>(function)(0, context.Database(), context.connection, 0));
  if (list == nullptr) throw LoadError(std::string(function) + " returned nothing");
  const std::vector<std::string> names = Texts(list->names, list->count);
  std::vector<std::vector<std::string>> rows;
  rows.reserve(names.size());
  for (const std::string &name : names) rows.push_back({Visible(name)});
  return FinishRecord(context, Text(list->status),
                      Json{{"status", Nullable(list->status)}, {kind, TextArray(names)}},
                      Table({column}, rows));
}

}  // namespace

void AddListCommands(CLI::App &app, Context &context, Action &action) {
  const struct {
    const char *command, *function, *kind, *column, *what;
  } lists[] = {
      {"users", "getUsers", "users", "USER", "users"},
      {"groups", "getGroups", "groups", "GROUP", "groups"},
      {"acls", "getACLs", "acls", "ACL", "access control lists"},
  };
  for (const auto &list : lists) {
    CLI::App *command = app.add_subcommand(list.command, std::string("List the names of all ") + list.what +
                                                             ", sorted (calls " + list.function + ")");
    command->callback([&context, &action, list] {
      action = [&context, list] { return ShowList(context, list.function, list.kind, list.column); };
    });
  }
}

}  // namespace custor::cli
