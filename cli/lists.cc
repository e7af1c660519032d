// users, groups, acls: the name lists.
#include "cli/command.h"
#include "cli/exported.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

// getUsers, getGroups and getACLs have one type.
using ListFunction = decltype(::getUsers);

int ShowList(Context &context, ListFunction *read, const char *function, const char *kind,
             const char *column) {
  Owned<NameList> list(read(0, context.Database(), context.connection, 0));
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
    ListFunction *(*lookup)(Library &);
  } lists[] = {
      {"users", "getUsers", "users", "USER", "users",
       [](Library &l) { return CUSTOR_EXPORTED(l, getUsers); }},
      {"groups", "getGroups", "groups", "GROUP", "groups",
       [](Library &l) { return CUSTOR_EXPORTED(l, getGroups); }},
      {"acls", "getACLs", "acls", "ACL", "access control lists",
       [](Library &l) { return CUSTOR_EXPORTED(l, getACLs); }},
  };
  for (const auto &list : lists) {
    CLI::App *command = app.add_subcommand(list.command, std::string("List the names of all ") + list.what +
                                                             ", sorted (calls " + list.function + ")");
    command->callback([&context, &action, list] {
      action = [&context, list] {
        return ShowList(context, list.lookup(*context.library), list.function, list.kind, list.column);
      };
    });
  }
}

}  // namespace custor::cli
