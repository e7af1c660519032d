// export [--output FILE]: the database's users, groups and ACLs in apply's file format.
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/command.h"
#include "cli/records.h"
#include "cli/state.h"
#include "cli/user_data.h"
#include "cli/wanted.h"

namespace custor::cli {
namespace {

// A state that the library cannot read whole: an export of it would silently leave something out.
class Incomplete : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void RefuseFull(bool full, const std::string &what) {
  if (full)
    throw Incomplete(what + " filled a record (" + std::to_string(CUSTOR_CAPACITY) +
                     "), more than the library can read");
}

// The state as the library reads it; references to what does not exist are left out, each said on `err`.
Wanted Read(const Reader &reader, std::ostream &err) {
  const Listed users = reader.Users(), groups = reader.Groups(), acls = reader.Acls();
  RefuseFull(users.full(), "the user list");
  RefuseFull(groups.full(), "the group list");
  RefuseFull(acls.full(), "the ACL list");
  Wanted wanted;
  // A user's data is all that the library reads of its content.
  for (const auto &[id, data] : reader.UserData()) wanted.users.emplace(id, ContentFor(data));
  for (const std::string &name : acls.names()) {
    std::optional<CurrentAcl> acl = reader.Acl(name);
    if (!acl) continue;  // deleted since it was listed
    RefuseFull(acl->entries_full, "the entries of ACL " + Visible(name));
    wanted.acls.emplace(name, std::move(acl->entries));
  }
  for (const std::string &name : groups.names()) {
    const std::optional<CurrentGroup> group = reader.Group(name);
    if (!group) continue;
    RefuseFull(group->full, "the references of group " + Visible(name));
    Wanted::Group &kept = wanted.groups[name];
    for (const bool user : {true, false}) {
      for (const std::string &ref : user ? group->users : group->acls) {
        if (user ? wanted.users.count(ref) != 0 : wanted.acls.count(ref) != 0) {
          (user ? kept.users : kept.acls).push_back(ref);
        } else {
          err << "custor: left out of the export: group " << Visible(name) << " refers to "
              << (user ? "user " : "ACL ") << Visible(ref)
              << ", which does not exist (custor check --repair removes such references)\n";
        }
      }
    }
  }
  return wanted;
}

int Export(Context &context, const std::string &output) {
  const Wanted wanted = Read(Reader(context), *context.err);
  const std::string text = WantedJson(wanted).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (output.empty()) {
    *context.out << text;
    return kSuccess;
  }
  // Written beside the file and renamed over it: a failed export leaves no half-written file.
  const std::string part = output + ".part";
  {
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
      std::remove(part.c_str());
      throw UsageError("cannot write " + part);
    }
  }
  if (std::rename(part.c_str(), output.c_str()) != 0) {
    std::remove(part.c_str());
    throw UsageError("cannot write " + output);
  }
  if (context.json) {
    *context.out << Dump(Json{{"output", output},
                              {"users", wanted.users.size()},
                              {"groups", wanted.groups.size()},
                              {"acls", wanted.acls.size()}})
                 << '\n';
  } else {
    const auto count = [](std::size_t n, const char *kind) {
      return std::to_string(n) + " " + kind + (n == 1 ? "" : "s");
    };
    *context.out << "exported " << count(wanted.users.size(), "user") << ", "
                 << count(wanted.groups.size(), "group") << " and " << count(wanted.acls.size(), "ACL")
                 << " to " << output << '\n';
  }
  return kSuccess;
}

}  // namespace

void AddExportCommand(CLI::App &app, Context &context, Action &action) {
  auto output = std::make_shared<std::string>();
  CLI::App *command = app.add_subcommand(
      "export",
      "Write the database's users, groups and ACLs in apply's file format, as far as the library reads them "
      "(a user's data, not its whole content; see README). No backup of the server");
  command->add_option("--output", *output, "Write to FILE instead of stdout");
  command->callback([&context, &action, output] {
    action = [&context, output] {
      try {
        return Export(context, *output);
      } catch (const Incomplete &error) {
        *context.err << "custor: " << error.what()
                     << ": the export would leave out what it cannot see, so it "
                        "writes nothing\n";
      } catch (const ReadError &error) {
        *context.err << "custor: reading the database failed: " << error.what() << '\n';
      }
      return static_cast<int>(kFailure);
    };
  });
}

}  // namespace custor::cli
