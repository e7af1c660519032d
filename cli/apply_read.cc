#include "cli/apply_read.h"

#include "cli/progress.h"

namespace custor::cli {
namespace {

std::string Quoted(const std::string &text) { return "\"" + Visible(text) + "\""; }

// The names of `listed` that the file does not hold.
template <typename Map>
std::vector<std::string> Others(const Listed &listed, const Map &wanted) {
  std::vector<std::string> others;
  for (const std::string &name : listed.names()) {
    if (wanted.count(name) == 0) others.push_back(name);
  }
  return others;
}

void RefuseCut(const Listed &listed, const char *kind) {
  if (!listed.full()) return;
  throw PlanError(std::string("--prune deletes every ") + kind + " that the file does not hold, but the " +
                  kind + " list came back full (" + std::to_string(listed.names().size()) +
                  " names) and may be cut: custor cannot see them all, so it prunes nothing");
}

}  // namespace

ApplyState ReadForApply(const Reader &reader, const Wanted &wanted, bool prune, std::ostream *progress) {
  ApplyState state{{}, reader.Users(), reader.Acls()};
  const Listed groups = reader.Groups();
  Current &current = state.current;
  if (prune) {
    RefuseCut(state.users, "user");
    RefuseCut(groups, "group");
    RefuseCut(state.acls, "ACL");
    current.other_users = Others(state.users, wanted.users);
    current.other_groups = Others(groups, wanted.groups);
    current.other_acls = Others(state.acls, wanted.acls);
  }
  Progress shown(progress, "reading", wanted.users.size() + wanted.groups.size() + wanted.acls.size());
  for (const auto &[name, entries] : wanted.acls) {
    if (state.acls.Holds(name) != false) {
      if (auto acl = reader.Acl(name)) current.acls.emplace(name, std::move(*acl));
    }
    shown.Advance();
  }
  for (const auto &[name, group] : wanted.groups) {
    if (groups.Holds(name) != false) {
      if (auto read = reader.Group(name)) current.groups.emplace(name, std::move(*read));
    }
    shown.Advance();
  }
  for (const auto &[id, content] : wanted.users) {
    const std::optional<bool> listed = state.users.Holds(id);
    if (listed != false) {
      CurrentUser user = reader.User(id);
      // A listed user exists whatever its data; one beyond a full list only when its data shows it.
      if (listed == true) user.confirmed = true;
      // One that reads as empty may still exist: the plan creates it and modifies it when it does.
      current.users.emplace(id, std::move(user));
    }
    shown.Advance();
  }
  return state;
}

void CheckReferences(const JsonFile &file, const Wanted &wanted, Existence &existence, bool prune) {
  for (const auto &[name, group] : wanted.groups) {
    for (const bool users : {true, false}) {
      const std::vector<std::string> &names = users ? group.users : group.acls;
      const std::string kind = users ? "user" : "ACL";
      for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string &named = names[i];
        if (users ? wanted.users.count(named) != 0 : wanted.acls.count(named) != 0) continue;
        std::string why;
        if (prune) {
          why = ", which the file does not hold: --prune deletes every " + kind +
                " that the file does not hold";
        } else if (users ? existence.User(named) == false : !existence.Acl(named)) {
          why = ", which is neither in the file nor in the database";
        }
        if (!why.empty()) {
          throw file.Error(ReferencePath(group, users ? "users" : "acls", i),
                           "group " + Quoted(name) + " names " + kind + " " + Quoted(named).append(why));
        }
      }
    }
  }
}

}  // namespace custor::cli
