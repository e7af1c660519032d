// user show|data|create|modify|delete.
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/command.h"
#include "cli/exported.h"
#include "cli/records.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

struct UserOptions {
  std::string id;
  std::string content;
  std::string content_file;
  std::string to;
  std::vector<std::string> groups;
  bool check = false;       // --check: the _BAT variant
  bool no_session = false;  // --no-session: the _RO reader
};

// --content, or the whole file named by --content-file.
std::string Content(const UserOptions &options) {
  if (options.content_file.empty()) return options.content;
  std::ifstream in(options.content_file, std::ios::binary);
  if (!in) throw UsageError("cannot read " + options.content_file);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int Show(Context &context, const UserOptions &options) {
  const char *name = options.no_session ? "getDetailsForUser_RO" : "getDetailsForUser";
  auto *read = options.no_session ? CUSTOR_EXPORTED(*context.library, getDetailsForUser_RO)
                                  : CUSTOR_EXPORTED(*context.library, getDetailsForUser);
  Owned<UserRecord> user(read(0, context.Database(), options.id.c_str(), context.connection, 0));
  if (user == nullptr) throw LoadError(std::string(name) + " returned nothing");
  const std::vector<std::string> groups = Texts(user->groups, user->groupCount);
  std::string group_line;
  for (const std::string &group : groups) group_line += (group_line.empty() ? "" : ", ") + Visible(group);
  return FinishRecord(
      context, Text(user->status),
      Json{{"status", Nullable(user->status)},
           {"user", options.id},
           {"data", Nullable(user->data)},
           {"groups", TextArray(groups)},
           {"session", SessionJson(user->session)}},
      Fields({{"User", Visible(options.id)}, {"Data", Visible(Text(user->data))}, {"Groups", group_line}}));
}

int Data(Context &context) {
  Owned<UserDataList> list(
      CUSTOR_EXPORTED(*context.library, getUserData)(0, context.Database(), context.connection, 0));
  if (list == nullptr) throw LoadError("getUserData returned nothing");
  const std::vector<std::string> ids = Texts(list->userIds, list->count);
  const std::vector<std::string> data = Texts(list->userData, list->count);
  Json users = Json::array();
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    users.emplace_back(Json{{"user", ids[i]}, {"data", data[i]}});
    rows.push_back({Visible(ids[i]), Visible(data[i])});
  }
  return FinishRecord(context, Text(list->status), Json{{"status", Nullable(list->status)}, {"users", users}},
                      Table({"USER", "DATA"}, rows));
}

int Create(Context &context, const UserOptions &options) {
  const std::string content = Content(options);
  const NameListInput groups(options.groups);
  auto *create = options.check ? CUSTOR_EXPORTED(*context.library, createUser_BAT)
                               : CUSTOR_EXPORTED(*context.library, createUser);
  return FinishStatus(context, Changing(context, "create user " + options.id, [&] {
                        return create(0, context.Database(), content.c_str(), options.id.c_str(),
                                      groups.get(), context.connection, 0);
                      }));
}

int Modify(Context &context, const UserOptions &options) {
  const std::string content = Content(options);
  const std::string &new_id = options.to.empty() ? options.id : options.to;
  const NameListInput groups(options.groups);
  auto *modify = options.check ? CUSTOR_EXPORTED(*context.library, modifyUser_BAT)
                               : CUSTOR_EXPORTED(*context.library, modifyUser);
  return FinishStatus(context, Changing(context, "modify user " + options.id, [&] {
                        return modify(0, context.Database(), options.id.c_str(), content.c_str(),
                                      new_id.c_str(), groups.get(), context.connection, 0);
                      }));
}

int Delete(Context &context, const UserOptions &options) {
  auto *remove = CUSTOR_EXPORTED(*context.library, deleteUser);
  return FinishStatus(context, Changing(context, "delete user " + options.id, [&] {
                        return remove(0, context.Database(), options.id.c_str(), context.connection, 0);
                      }));
}

void AddContent(CLI::App *command, UserOptions &options) {
  CLI::Option *content = command->add_option("--content", options.content, "The user's content, XML");
  CLI::Option *file =
      command->add_option("--content-file", options.content_file, "Read the content from FILE");
  content->excludes(file);
  file->excludes(content);
  command->add_option("--group", options.groups, "A group that is to refer to the user (repeatable)")
      ->allow_extra_args(false);
  command->add_flag("--check", options.check,
                    "First check that every listed group exists (the _BAT variant)");
}

}  // namespace

void AddUserCommands(CLI::App &app, Context &context, Action &action) {
  auto options = std::make_shared<UserOptions>();
  CLI::App *user = app.add_subcommand("user", "Read and change one user");
  user->require_subcommand(1);
  auto on = [&context, &action, options](CLI::App *command, int (*run)(Context &, const UserOptions &)) {
    command->callback([&context, &action, options, run] {
      action = [&context, options, run] { return run(context, *options); };
    });
  };

  CLI::App *show =
      user->add_subcommand("show",
                           "Show a user's data and the groups that refer to it (calls getDetailsForUser, or "
                           "getDetailsForUser_RO with --no-session)");
  show->add_option("ID", options->id, "User id")->required();
  show->add_flag("--no-session", options->no_session, "Read without a session");
  on(show, Show);

  user->add_subcommand("data", "List every user with its data (calls getUserData)")
      ->callback([&context, &action] { action = [&context] { return Data(context); }; });

  CLI::App *create = user->add_subcommand(
      "create", "Create a user and link it to groups (calls createUser, or createUser_BAT with --check)");
  create->add_option("ID", options->id, "User id")->required();
  AddContent(create, *options);
  create->callback([&context, &action, options, create] {
    if (create->count("--content") + create->count("--content-file") == 0) {
      throw CLI::RequiredError("--content or --content-file");
    }
    action = [&context, options] { return Create(context, *options); };
  });

  CLI::App *modify = user->add_subcommand("modify",
                                          "Replace a user as a whole, possibly under a new id (calls "
                                          "modifyUser, or modifyUser_BAT with --check)");
  modify->add_option("ID", options->id, "User id")->required();
  modify->add_option("--to", options->to, "New user id");
  AddContent(modify, *options);
  modify->callback([&context, &action, options, modify] {
    if (modify->count("--content") + modify->count("--content-file") == 0) {
      throw CLI::RequiredError("--content or --content-file");
    }
    action = [&context, options] { return Modify(context, *options); };
  });

  CLI::App *remove =
      user->add_subcommand("delete", "Delete a user and every group's reference to it (calls deleteUser)");
  remove->add_option("ID", options->id, "User id")->required();
  on(remove, Delete);
}

}  // namespace custor::cli
