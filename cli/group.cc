// group show|create|modify|delete.
#include <memory>

#include "cli/command.h"
#include "cli/exported.h"
#include "cli/records.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

struct GroupOptions {
  std::string name;
  std::string to;
  std::vector<std::string> users, acls;
  bool check = false;       // --check: the _BAT variant
  bool no_session = false;  // --no-session: the _RO reader
};

std::string Joined(const std::vector<std::string> &names) {
  std::string line;
  for (const std::string &name : names) line += (line.empty() ? "" : ", ") + Visible(name);
  return line;
}

int Show(Context &context, const GroupOptions &options) {
  const char *name = options.no_session ? "getDataForGroup_RO" : "getDataForGroup";
  auto *read = options.no_session ? CUSTOR_EXPORTED(*context.library, getDataForGroup_RO)
                                  : CUSTOR_EXPORTED(*context.library, getDataForGroup);
  Owned<GroupRecord> group(read(0, context.Database(), options.name.c_str(), context.connection, 0));
  if (group == nullptr) throw LoadError(std::string(name) + " returned nothing");
  const std::vector<std::string> users = Texts(group->users, group->userCount);
  const std::vector<std::string> acls = Texts(group->acls, group->aclCount);
  return FinishRecord(context, Text(group->status),
                      Json{{"status", Nullable(group->status)},
                           {"group", options.name},
                           {"id", Nullable(group->nameOrId)},
                           {"users", TextArray(users)},
                           {"acls", TextArray(acls)},
                           {"session", SessionJson(group->session)}},
                      Fields({{"Group", Visible(options.name)},
                              {"Id", Visible(Text(group->nameOrId))},
                              {"Users", Joined(users)},
                              {"ACLs", Joined(acls)}}));
}

int Create(Context &context, const GroupOptions &options) {
  const GroupInput group(options.name, options.users, options.acls);
  auto *create = options.check ? CUSTOR_EXPORTED(*context.library, createGroup_BAT)
                               : CUSTOR_EXPORTED(*context.library, createGroup);
  return FinishStatus(context, Changing(context, "create group " + options.name, [&] {
                        return create(0, context.Database(), group.get(), context.connection, 0);
                      }));
}

int Modify(Context &context, const GroupOptions &options) {
  const GroupInput group(options.to.empty() ? options.name : options.to, options.users, options.acls);
  auto *modify = options.check ? CUSTOR_EXPORTED(*context.library, modifyGroup_BAT)
                               : CUSTOR_EXPORTED(*context.library, modifyGroup);
  return FinishStatus(context, Changing(context, "modify group " + options.name, [&] {
                        return modify(0, context.Database(), options.name.c_str(), group.get(),
                                      context.connection, 0);
                      }));
}

int Delete(Context &context, const GroupOptions &options) {
  auto *remove = CUSTOR_EXPORTED(*context.library, deleteGroup);
  return FinishStatus(context, Changing(context, "delete group " + options.name, [&] {
                        return remove(0, context.Database(), options.name.c_str(), context.connection, 0);
                      }));
}

void AddMembers(CLI::App *command, GroupOptions &options) {
  command->add_option("--user", options.users, "A user that the group refers to (repeatable)")
      ->allow_extra_args(false);
  command->add_option("--acl", options.acls, "An ACL that the group refers to (repeatable)")
      ->allow_extra_args(false);
  command->add_flag("--check", options.check,
                    "First check that the referenced users and ACLs exist (the _BAT variant)");
}

}  // namespace

void AddGroupCommands(CLI::App &app, Context &context, Action &action) {
  auto options = std::make_shared<GroupOptions>();
  CLI::App *group = app.add_subcommand("group", "Read and change one group");
  group->require_subcommand(1);
  auto on = [&context, &action, options](CLI::App *command, int (*run)(Context &, const GroupOptions &)) {
    command->add_option("NAME", options->name, "Group name")->required();
    command->callback([&context, &action, options, run] {
      action = [&context, options, run] { return run(context, *options); };
    });
    return command;
  };

  CLI::App *show = on(group->add_subcommand("show",
                                            "Show a group's id, users and ACLs (calls getDataForGroup, or "
                                            "getDataForGroup_RO with --no-session)"),
                      Show);
  show->add_flag("--no-session", options->no_session, "Read without a session");

  CLI::App *create = on(group->add_subcommand("create",
                                              "Create a group with its references, without a session "
                                              "(calls createGroup, or createGroup_BAT with --check)"),
                        Create);
  AddMembers(create, *options);

  CLI::App *modify = on(group->add_subcommand("modify",
                                              "Replace a group as a whole, possibly under a new name "
                                              "(calls modifyGroup, or modifyGroup_BAT with --check)"),
                        Modify);
  modify->add_option("--to", options->to, "New group name");
  AddMembers(modify, *options);

  on(group->add_subcommand("delete", "Delete a group, without a session (calls deleteGroup)"), Delete);
}

}  // namespace custor::cli
