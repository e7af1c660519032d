// What `custor apply` reads before it plans: the file's users, groups and ACLs as the database holds
// them, and whether every user and ACL that the file's groups name exists.
#ifndef CUSTOR_CLI_APPLY_READ_H_
#define CUSTOR_CLI_APPLY_READ_H_

#include <iosfwd>

#include "cli/json_file.h"
#include "cli/plan.h"
#include "cli/state.h"
#include "cli/wanted.h"

namespace custor::cli {

struct ApplyState {
  Current current;
  Listed users, acls;  // as listed, for the references that the file does not define
};

// Lists the three kinds and reads each object that the file names and that may exist, each by itself
// (a full list cannot tell beyond its last name). With `prune` the listed names that the file does not
// hold are the ones to delete, so a list that may be cut throws PlanError. `progress`: where to show a
// progress line, or null. Throws ReadError when a reader answers a failure.
ApplyState ReadForApply(const Reader &reader, const Wanted &wanted, bool prune, std::ostream *progress);

// Refuses, at its place in the file, a group's reference to a user or ACL that is neither in the file
// nor in the database; with `prune`, to any that is not in the file (it would be deleted). A user that
// no list shows and that reads as empty may exist: the checked group store asks the server itself.
void CheckReferences(const JsonFile &file, const Wanted &wanted, Existence &existence, bool prune);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_APPLY_READ_H_
