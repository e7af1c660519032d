// check [--repair]: finds the references of groups to users and ACLs that do not exist, and with
// --repair rewrites each affected group without them.
#include <algorithm>
#include <memory>

#include "cli/integrity.h"

namespace custor::cli {
namespace {

const char *KindOf(const Reference &reference) { return reference.user ? "user" : "ACL"; }

Json ReferencesJson(const std::vector<Reference> &references) {
  Json list = Json::array();
  for (const Reference &r : references)
    list.push_back(Json{{"group", r.group}, {"kind", r.user ? "user" : "acl"}, {"name", r.name}});
  return list;
}

int Run(Context &context, bool repair) {
  const Reader reader(context);
  const Findings findings = Check(context, reader);
  std::vector<Outcome> outcomes;
  if (repair) {
    for (const auto &[group, seen] : findings.read) {
      outcomes.push_back(Repair(context, reader, group, seen, findings.dangling));
    }
  }
  const bool repaired_all =
      repair &&
      std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome &o) { return o.left.empty(); }) &&
      outcomes.size() == findings.read.size();
  const bool whole = findings.unconfirmed.empty() && findings.unchecked.empty() &&
                     (findings.dangling.empty() || repaired_all);
  if (context.json) {
    Json done = Json::array();
    for (const Outcome &o : outcomes) {
      done.push_back(Json{{"group", o.group},
                          {"removed", ReferencesJson(o.removed)},
                          {"left", o.left.empty() ? Json(nullptr) : Json(o.left)}});
    }
    *context.out << Dump(Json{{"whole", whole},
                              {"groups", findings.groups},
                              {"dangling", ReferencesJson(findings.dangling)},
                              {"unconfirmed", ReferencesJson(findings.unconfirmed)},
                              {"unchecked", findings.unchecked},
                              {"notes", findings.notes},
                              {"repairs", done}})
                 << '\n';
    return whole ? kSuccess : kFailure;
  }
  std::vector<std::vector<std::string>> rows;
  for (const Reference &r : findings.dangling)
    rows.push_back({Visible(r.group), KindOf(r), Visible(r.name), "missing"});
  for (const Reference &r : findings.unconfirmed) {
    rows.push_back({Visible(r.group), KindOf(r), Visible(r.name), "unconfirmed: in no list, reads as empty"});
  }
  if (!rows.empty()) *context.out << Table({"GROUP", "KIND", "NAME", "STATE"}, rows);
  for (const std::string &note : findings.unchecked) *context.out << "not checked: " << note << '\n';
  for (const std::string &note : findings.notes) *context.out << "note: " << note << '\n';
  for (const Outcome &o : outcomes) {
    if (o.left.empty()) {
      std::string line;
      for (const Reference &r : o.removed)
        line += (line.empty() ? "" : ", ") + std::string(KindOf(r)) + " " + Visible(r.name);
      *context.out << "repaired group " << Visible(o.group) << ": removed " << line << '\n';
    } else {
      *context.out << "left group " << Visible(o.group) << " alone: " << o.left << '\n';
    }
  }
  const std::size_t dangling = findings.dangling.size();
  *context.out << findings.groups << (findings.groups == 1 ? " group" : " groups") << " checked: ";
  if (dangling == 0 && findings.unconfirmed.empty()) {
    *context.out << "no reference to a missing user or ACL\n";
  } else {
    *context.out << dangling << (dangling == 1 ? " reference" : " references") << " to a missing user or ACL";
    if (!findings.unconfirmed.empty()) *context.out << ", " << findings.unconfirmed.size() << " unconfirmed";
    if (repair) {
      std::size_t removed = 0;
      for (const Outcome &o : outcomes) removed += o.removed.size();
      *context.out << "; " << removed << " removed";
    } else if (dangling > 0) {
      *context.out << " (custor check --repair removes them)";
    }
    *context.out << '\n';
  }
  return whole ? kSuccess : kFailure;
}

}  // namespace

void AddCheckCommand(CLI::App &app, Context &context, Action &action) {
  auto repair = std::make_shared<bool>(false);
  CLI::App *check = app.add_subcommand(
      "check",
      "Find the groups' references to users and ACLs that do not exist (exit status 0: none, 1: some); "
      "reads with getGroups, getDataForGroup_RO, getUsers, getACLs and, past a full list, each object's "
      "reader");
  check->add_flag(
      "--repair", *repair,
      "Rewrite each affected group without them (modifyGroup, one group per call), unless it changed "
      "since it was checked");
  check->callback([&context, &action, repair] {
    action = [&context, repair] {
      try {
        return Run(context, *repair);
      } catch (const ReadError &error) {
        *context.err << "custor: reading the database failed: " << error.what() << '\n';
        return static_cast<int>(kFailure);
      }
    };
  });
}

}  // namespace custor::cli
