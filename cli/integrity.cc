#include "cli/integrity.h"

#include <algorithm>

#include "cli/exported.h"
#include "cli/progress.h"
#include "cli/records.h"
#include "cli/results.h"
#include "cli/retry.h"

namespace custor::cli {
namespace {

std::string Listing(const char *kind, const Listed &listed) {
  return std::string("the ") + kind + " list came back full (" + std::to_string(listed.names().size()) +
         " names), more than the library can list: ";
}

}  // namespace

Findings Check(const Context &context, const Reader &reader) {
  Findings findings;
  Existence existence(reader, reader.Users(), reader.Acls());
  const Listed groups = reader.Groups();
  if (groups.full())
    findings.unchecked.push_back(Listing("group", groups) +
                                 "the groups after the last listed are not checked");
  if (existence.users().full()) {
    findings.notes.push_back(Listing("user", existence.users()) +
                             "users after the last listed are read one by one");
  }
  Progress shown(context.progress ? context.err : nullptr, "checking", groups.names().size());
  for (const std::string &name : groups.names()) {
    const std::optional<CurrentGroup> group = reader.Group(name);
    shown.Advance();
    if (!group) continue;  // deleted since it was listed
    ++findings.groups;
    if (group->full) {
      findings.unchecked.push_back(
          "group " + Visible(name) + " refers to " + std::to_string(CUSTOR_CAPACITY) +
          " users or ACLs or more: those after the first are not checked, and it is not repaired");
    }
    bool dangles = false;
    for (const std::string &user : group->users) {
      const std::optional<bool> exists = existence.User(user);
      if (exists == true) continue;
      if (exists == false) {
        findings.dangling.push_back({name, true, user});
        dangles = true;
      } else {
        findings.unconfirmed.push_back({name, true, user});
      }
    }
    for (const std::string &acl : group->acls) {
      if (existence.Acl(acl)) continue;
      findings.dangling.push_back({name, false, acl});
      dangles = true;
    }
    if (dangles && !group->full) findings.read.emplace(name, *group);
  }
  return findings;
}

Outcome Repair(const Context &context, const Reader &reader, const std::string &group,
               const CurrentGroup &seen, const std::vector<Reference> &dangling) {
  Outcome outcome{group, {}, ""};
  std::vector<Reference> removed;
  std::copy_if(dangling.begin(), dangling.end(), std::back_inserter(removed),
               [&](const Reference &reference) { return reference.group == group; });
  for (int attempt = 0;; ++attempt) {
    const std::optional<CurrentGroup> now = reader.Group(group);
    if (!now || *now != seen) {
      outcome.left = now ? "it changed since it was checked" : "it was deleted since it was checked";
      return outcome;
    }
    std::erase_if(removed, [&](const Reference &reference) {
      return reference.user ? reader.User(reference.name).confirmed : reader.Acl(reference.name).has_value();
    });
    if (removed.empty()) {
      outcome.left = "what it refers to exists again";
      return outcome;
    }
    std::vector<std::string> users, acls;
    const auto gone = [&](bool user, const std::string &name) {
      return std::any_of(removed.begin(), removed.end(),
                         [&](const Reference &r) { return r.user == user && r.name == name; });
    };
    std::copy_if(seen.users.begin(), seen.users.end(), std::back_inserter(users),
                 [&](const std::string &u) { return !gone(true, u); });
    std::copy_if(seen.acls.begin(), seen.acls.end(), std::back_inserter(acls),
                 [&](const std::string &a) { return !gone(false, a); });
    const GroupInput input(group, users, acls);
    const std::string answer =
        Text(Owned<char>(CUSTOR_EXPORTED(*context.library, modifyGroup)(0, context.Database(), group.c_str(),
                                                                        input.get(), context.connection, 0))
                 .get());
    if (answer == "0") {
      outcome.removed = std::move(removed);
      return outcome;
    }
    if (!answer.starts_with(kConflictCode) || attempt >= context.retries) {
      outcome.left = answer;
      return outcome;
    }
    *context.err << "custor: repair group " << group << ": " << answer << "; reading it again ("
                 << attempt + 1 << " of " << context.retries << ")\n";
  }
}

}  // namespace custor::cli
