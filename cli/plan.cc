#include "cli/plan.h"

#include <algorithm>
#include <set>

#include "cli/user_data.h"

namespace custor::cli {
namespace {

std::string Quoted(const std::string &text) { return "\"" + Visible(text) + "\""; }

std::string Joined(const std::vector<std::string> &names, const std::string &mark = "") {
  std::string line;
  for (const std::string &name : names) line += (line.empty() ? "" : ", ") + mark + Visible(name);
  return line;
}

std::string Groups(std::size_t count) { return std::to_string(count) + (count == 1 ? " group" : " groups"); }

// What a modify of a user or ACL does to the groups that it puts it back into.
std::string Rewrites(std::size_t count) {
  return count == 1 ? "rewrites the group that refers to it"
                    : "rewrites the " + Groups(count) + " that refer to it";
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// "+ann, +carl, -bob": what turns `now` into `wanted`, both sorted; "" when they are equal.
std::string Difference(const std::vector<std::string> &now, const std::vector<std::string> &wanted) {
  std::vector<std::string> added, removed;
  std::set_difference(wanted.begin(), wanted.end(), now.begin(), now.end(), std::back_inserter(added));
  std::set_difference(now.begin(), now.end(), wanted.begin(), wanted.end(), std::back_inserter(removed));
  std::string line = Joined(added, "+");
  if (!removed.empty()) line += (line.empty() ? "" : ", ") + Joined(removed, "-");
  return line;
}

Step NewStep(Op op, Kind kind, const std::string &name) {
  Step step;
  step.op = op;
  step.kind = kind;
  step.name = name;
  return step;
}

std::string EntryText(const Entry &entry) { return Visible(entry.access) + "=" + Visible(entry.text); }

class Planner {
 public:
  Planner(const Wanted &wanted, const Current &current) : wanted_(wanted), current_(current) {
    // The references of the file's groups as they will be when each step comes: deletes take theirs out.
    for (const auto &[name, group] : current.groups) refs_[name] = group;
  }

  void Prune() {
    for (const std::string &name : current_.other_groups) {
      Add(NewStep(Op::kDelete, Kind::kGroup, name));
      deleted_groups_.insert(name);
    }
    for (const std::string &id : current_.other_users) DeleteReferred(Kind::kUser, id);
    for (const std::string &name : current_.other_acls) DeleteReferred(Kind::kAcl, name);
  }

  void Create() {
    for (const auto &[name, entries] : wanted_.acls) {
      if (current_.acls.count(name) != 0) continue;
      Step step = NewStep(Op::kCreate, Kind::kAcl, name);
      step.changes.push_back(entries.empty() ? "no entries"
                                             : std::to_string(entries.size()) +
                                                   (entries.size() == 1 ? " entry" : " entries"));
      step.entries = entries;
      Add(std::move(step));
    }
    for (const auto &[id, content] : wanted_.users) {
      const auto now = current_.users.find(id);
      if (now != current_.users.end() && now->second.confirmed) continue;
      Step step = NewStep(Op::kCreate, Kind::kUser, id);
      step.changes.push_back("data " + Quoted(UserDataOf(content)));
      step.content = content;
      if (now != current_.users.end()) {
        step.may_exist = true;
        step.changes.push_back("or modified, if it exists with empty data (the library cannot tell)");
        step.groups = RefersAfter(id, now->second.groups, now->second.groups_full, &Wanted::Group::users);
      }
      Add(std::move(step));
    }
    for (const auto &[name, group] : wanted_.groups) {
      if (current_.groups.count(name) != 0) continue;
      Step step = NewStep(Op::kCreate, Kind::kGroup, name);
      if (!group.users.empty()) step.changes.push_back("users " + Joined(group.users));
      if (!group.acls.empty()) step.changes.push_back("ACLs " + Joined(group.acls));
      step.users = group.users;
      step.acls = group.acls;
      Add(std::move(step));
    }
  }

  void Change() {
    for (const auto &[name, group] : wanted_.groups) {
      const auto now = refs_.find(name);
      if (now == refs_.end()) continue;
      Step step = NewStep(Op::kModify, Kind::kGroup, name);
      if (const std::string users = Difference(now->second.users, Sorted(group.users)); !users.empty()) {
        step.changes.push_back("users " + users);
      }
      if (const std::string acls = Difference(now->second.acls, Sorted(group.acls)); !acls.empty()) {
        step.changes.push_back("ACLs " + acls);
      }
      if (now->second.full) {
        step.changes.push_back(
            "its references filled a record, so there may be more: written as the file says");
      }
      if (step.changes.empty()) continue;
      step.users = group.users;
      step.acls = group.acls;
      Add(std::move(step));
    }
    for (const auto &[name, entries] : wanted_.acls) {
      const auto now = current_.acls.find(name);
      if (now != current_.acls.end()) ChangeAcl(name, entries, now->second);
    }
    for (const auto &[id, content] : wanted_.users) {
      const auto now = current_.users.find(id);
      if (now == current_.users.end() || !now->second.confirmed) continue;
      const std::string data = UserDataOf(content);
      if (data == now->second.data) continue;
      Step step = NewStep(Op::kModify, Kind::kUser, id);
      step.changes.push_back("data " + Quoted(now->second.data) + " -> " + Quoted(data));
      step.content = content;
      step.groups = RefersAfter(id, now->second.groups, now->second.groups_full, &Wanted::Group::users);
      if (!step.groups.empty()) step.cascade = Rewrites(step.groups.size());
      Add(std::move(step));
    }
  }

  std::vector<Step> steps() && { return std::move(steps_); }

 private:
  void Add(Step step) { steps_.push_back(std::move(step)); }

  // A user or ACL that the file does not name: the library takes it out of every group that refers to it.
  void DeleteReferred(Kind kind, const std::string &name) {
    std::size_t referring = 0;
    for (auto &[group, refs] : refs_) {
      std::vector<std::string> &names = kind == Kind::kUser ? refs.users : refs.acls;
      const auto at = std::find(names.begin(), names.end(), name);
      if (at == names.end()) continue;
      names.erase(at);
      ++referring;
    }
    Step step = NewStep(Op::kDelete, kind, name);
    if (referring > 0) step.cascade = "removes " + Visible(name) + " from " + Groups(referring);
    Add(std::move(step));
  }

  void ChangeAcl(const std::string &name, const std::vector<Entry> &entries, const CurrentAcl &now) {
    if (entries == now.entries && !now.entries_full) return;
    const bool appended = !now.entries_full && entries.size() > now.entries.size() &&
                          std::equal(now.entries.begin(), now.entries.end(), entries.begin());
    if (appended) {
      // Appending in place rewrites no group.
      for (std::size_t i = now.entries.size(); i < entries.size(); ++i) {
        Step step = NewStep(Op::kAddEntry, Kind::kAcl, name);
        step.changes.push_back("entry " + EntryText(entries[i]) + " appended");
        step.entries = {entries[i]};
        Add(std::move(step));
      }
      return;
    }
    Step step = NewStep(Op::kModify, Kind::kAcl, name);
    std::string listed;
    for (const Entry &entry : entries) listed += (listed.empty() ? "" : ", ") + EntryText(entry);
    step.changes.push_back("entries " + (listed.empty() ? std::string("none") : listed) + " (were " +
                           std::to_string(now.entries.size()) + (now.entries_full ? " or more" : "") + ")");
    step.entries = entries;
    step.groups = RefersAfter(name, now.groups, now.groups_full, &Wanted::Group::acls);
    if (!step.groups.empty()) step.cascade = Rewrites(step.groups.size());
    Add(std::move(step));
  }

  // The groups that are to refer to user or ACL `name` once the plan is made: those of the file that name
  // it, and of the others those that refer to it now and are not deleted. A modify of the user or ACL
  // rewrites exactly these, so a list that may be cut would lose references.
  std::vector<std::string> RefersAfter(const std::string &name, const std::vector<std::string> &now,
                                       bool now_full, std::vector<std::string> Wanted::Group::*refs) const {
    if (now_full) {
      throw PlanError(Visible(name) + " is referred to by " + std::to_string(now.size()) +
                      " groups or more, more than the library can list: it cannot be modified without losing "
                      "some of them");
    }
    std::vector<std::string> groups;
    for (const std::string &group : now) {
      if (wanted_.groups.count(group) == 0 && deleted_groups_.count(group) == 0) groups.push_back(group);
    }
    for (const auto &[group, wanted] : wanted_.groups) {
      const std::vector<std::string> &names = wanted.*refs;
      if (std::find(names.begin(), names.end(), name) != names.end()) groups.push_back(group);
    }
    return Sorted(std::move(groups));
  }

  const Wanted &wanted_;
  const Current &current_;
  std::map<std::string, CurrentGroup> refs_;
  std::set<std::string> deleted_groups_;
  std::vector<Step> steps_;
};

}  // namespace

std::vector<Step> MakePlan(const Wanted &wanted, const Current &current, bool prune) {
  Planner planner(wanted, current);
  if (prune) planner.Prune();
  planner.Create();
  planner.Change();
  return std::move(planner).steps();
}

const char *OpName(Op op) {
  switch (op) {
    case Op::kCreate:
      return "create";
    case Op::kModify:
      return "modify";
    case Op::kAddEntry:
      return "add an entry to";
    case Op::kDelete:
      return "delete";
  }
  return "";
}

const char *KindName(Kind kind) {
  switch (kind) {
    case Kind::kUser:
      return "user";
    case Kind::kGroup:
      return "group";
    case Kind::kAcl:
      return "ACL";
  }
  return "";
}

std::string Describe(const Step &step) {
  std::string line = std::string(OpName(step.op)) + " " + KindName(step.kind) + " " + Visible(step.name);
  std::string details;
  for (const std::string &change : step.changes) details += (details.empty() ? "" : "; ") + change;
  if (!step.cascade.empty()) details += (details.empty() ? "" : "; ") + step.cascade;
  return details.empty() ? line : line + ": " + details;
}

Json StepJson(const Step &step) {
  return Json{{"action", step.op == Op::kAddEntry ? "add-entry" : OpName(step.op)},
              {"kind", step.kind == Kind::kAcl ? "acl" : KindName(step.kind)},
              {"name", step.name},
              {"changes", step.changes},
              {"cascade", step.cascade.empty() ? Json(nullptr) : Json(step.cascade)}};
}

}  // namespace custor::cli
