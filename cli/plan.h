// The plan of `custor apply`: from the current state and the wanted one, the library calls that make the
// database as the file says, in an order in which each finds what it needs (ACLs and users before the
// groups that name them) and each is one library call. Pure logic: nothing is read or sent here.
#ifndef CUSTOR_CLI_PLAN_H_
#define CUSTOR_CLI_PLAN_H_

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/state.h"
#include "cli/wanted.h"

namespace custor::cli {

// What apply read: the file's users, groups and ACLs that exist (a user that may exist too, see
// CurrentUser::confirmed), and the listed names that the file does not name (deleted by --prune).
struct Current {
  std::map<std::string, CurrentUser> users;
  std::map<std::string, CurrentGroup> groups;
  std::map<std::string, CurrentAcl> acls;
  std::vector<std::string> other_users, other_groups, other_acls;
};

enum class Op { kCreate, kModify, kAddEntry, kDelete };
enum class Kind { kUser, kGroup, kAcl };

struct Step {
  Op op = Op::kCreate;
  Kind kind = Kind::kUser;
  std::string name;
  std::vector<std::string> changes;  // what changes, in words
  std::string cascade;               // what the library does besides, in words ("" for nothing)
  // The call's arguments: a user's content; an ACL's entries (for kAddEntry the one to append); a
  // group's references; the groups that are to refer to a modified user or ACL.
  std::string content;
  std::vector<Entry> entries;
  std::vector<std::string> users, acls, groups;
  // A user to create that read as empty beyond a full list, so that it may exist: when the library
  // answers that it does, the user is modified instead (with `groups`) unless its data is as wanted.
  bool may_exist = false;
};

// A change that the library cannot make without losing what it cannot read whole.
class PlanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The steps, in the order in which they are to be made; none when the database is as wanted. With
// `prune` first the deletes of what the file does not name, whose cascades leave less to change.
std::vector<Step> MakePlan(const Wanted &wanted, const Current &current, bool prune);

// One line for people: "delete user bob: removes bob from 3 groups".
std::string Describe(const Step &step);
// The same for scripts.
Json StepJson(const Step &step);

const char *OpName(Op op);
const char *KindName(Kind kind);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_PLAN_H_
