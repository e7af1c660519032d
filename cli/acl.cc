// acl show|create|modify|delete|add-ace.
#include <memory>

#include "cli/ace_options.h"
#include "cli/command.h"
#include "cli/exported.h"
#include "cli/records.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

struct AclOptions {
  std::string name;
  std::string to;
  std::vector<std::string> groups;
  AceOptions given;
  std::vector<AceSpec> aces;  // in command-line order, --ace and --omit-ace together
  bool check = false;         // --check: the _BAT variant
  bool no_session = false;    // --no-session: the _RO reader
};

int Show(Context &context, const AclOptions &options) {
  const char *name = options.no_session ? "getDataForACL_RO" : "getDataForACL";
  auto *read = options.no_session ? CUSTOR_EXPORTED(*context.library, getDataForACL_RO)
                                  : CUSTOR_EXPORTED(*context.library, getDataForACL);
  Owned<AclRecord> acl(read(0, context.Database(), options.name.c_str(), context.connection, 0));
  if (acl == nullptr) throw LoadError(std::string(name) + " returned nothing");
  const std::vector<std::string> groups = Texts(acl->groups, acl->groupCount);
  Json aces = Json::array();
  std::vector<std::vector<std::string>> rows;
  for (int32_t i = 0; i < Bounded(acl->aceCount); ++i) {
    const AceRecord *ace = acl->aces[i];
    const std::string access = ace != nullptr ? Text(ace->access) : "";
    const std::string text = ace != nullptr ? Text(ace->text) : "";
    aces.emplace_back(Json{{"access", access}, {"text", text}});
    rows.push_back({Visible(access), Visible(text)});
  }
  std::string group_line;
  for (const std::string &group : groups) group_line += (group_line.empty() ? "" : ", ") + Visible(group);
  return FinishRecord(
      context, Text(acl->status),
      Json{{"status", Nullable(acl->status)},
           {"acl", options.name},
           {"id", Nullable(acl->id)},
           {"aces", aces},
           {"groups", TextArray(groups)},
           {"session", SessionJson(acl->session)}},
      Fields({{"ACL", Visible(options.name)}, {"Id", Visible(Text(acl->id))}, {"Groups", group_line}}) +
          "\n" + Table({"ACCESS", "TEXT"}, rows));
}

int Create(Context &context, const AclOptions &options) {
  const NameListInput groups(options.groups);
  const AclInput acl(options.aces);
  auto *create = options.check ? CUSTOR_EXPORTED(*context.library, createACL_BAT)
                               : CUSTOR_EXPORTED(*context.library, createACL);
  return FinishStatus(context, Changing(context, "create ACL " + options.name, [&] {
                        return create(0, context.Database(), options.name.c_str(), groups.get(), acl.get(),
                                      context.connection, 0);
                      }));
}

int Modify(Context &context, const AclOptions &options) {
  const std::string &new_name = options.to.empty() ? options.name : options.to;
  const NameListInput groups(options.groups);
  const AclInput acl(options.aces);
  auto *modify = options.check ? CUSTOR_EXPORTED(*context.library, modifyACL_BAT)
                               : CUSTOR_EXPORTED(*context.library, modifyACL);
  return FinishStatus(context, Changing(context, "modify ACL " + options.name, [&] {
                        return modify(0, context.Database(), options.name.c_str(), new_name.c_str(),
                                      groups.get(), acl.get(), context.connection, 0);
                      }));
}

int Delete(Context &context, const AclOptions &options) {
  auto *remove = CUSTOR_EXPORTED(*context.library, deleteACL);
  return FinishStatus(context, Changing(context, "delete ACL " + options.name, [&] {
                        return remove(0, context.Database(), options.name.c_str(), context.connection, 0);
                      }));
}

int AddAce(Context &context, const AclOptions &options) {
  if (options.aces.size() != 1) throw UsageError("add-ace takes exactly one --ace ACCESS=TEXT");
  const AceSpec &ace = options.aces.front();
  auto *add = CUSTOR_EXPORTED(*context.library, addACE);
  return FinishStatus(context, Changing(context, "add an entry to ACL " + options.name, [&] {
                        return add(0, context.Database(), options.name.c_str(), ace.text.c_str(),
                                   ace.access.c_str(), context.connection, 0);
                      }));
}

}  // namespace

void AddAclCommands(CLI::App &app, Context &context, Action &action) {
  auto options = std::make_shared<AclOptions>();
  CLI::App *acl = app.add_subcommand("acl", "Read and change one access control list");
  acl->require_subcommand(1);
  auto on = [&context, &action, options](CLI::App *command, int (*run)(Context &, const AclOptions &)) {
    command->add_option("NAME", options->name, "ACL name")->required();
    command->callback([&context, &action, options, run, command] {
      options->aces = CollectAces(*command, options->given);
      action = [&context, options, run] { return run(context, *options); };
    });
    return command;
  };
  auto add_entries = [options](CLI::App *command) {
    command->add_option("--group", options->groups, "A group that is to refer to the ACL (repeatable)")
        ->allow_extra_args(false);
    AddAceOptions(*command, options->given, true);
    command->add_flag("--check", options->check,
                      "First check that every listed group exists (the _BAT variant)");
  };

  CLI::App *show = on(acl->add_subcommand("show",
                                          "Show an ACL's entries and the groups that refer to it (calls "
                                          "getDataForACL, or getDataForACL_RO with --no-session)"),
                      Show);
  show->add_flag("--no-session", options->no_session, "Read without a session");

  add_entries(on(acl->add_subcommand("create",
                                     "Create an ACL and link it to groups (calls createACL, or "
                                     "createACL_BAT with --check)"),
                 Create));

  CLI::App *modify = on(acl->add_subcommand("modify",
                                            "Replace an ACL as a whole, possibly under a new name (calls "
                                            "modifyACL, or modifyACL_BAT with --check)"),
                        Modify);
  modify->add_option("--to", options->to, "New ACL name");
  add_entries(modify);

  on(acl->add_subcommand("delete", "Delete an ACL and every group's reference to it (calls deleteACL)"),
     Delete);

  CLI::App *add =
      on(acl->add_subcommand("add-ace", "Append one entry to an existing ACL (calls addACE)"), AddAce);
  AddAceOptions(*add, options->given, false)->required()->description("The entry, ACCESS=TEXT");
}

}  // namespace custor::cli
