// The integrity check of `custor check`: the references of groups to users and ACLs that do not exist,
// found through the library's readers, and their repair, one group per modifyGroup call.
#ifndef CUSTOR_CLI_INTEGRITY_H_
#define CUSTOR_CLI_INTEGRITY_H_

#include <map>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/state.h"

namespace custor::cli {

// A reference of a group to a user or ACL.
struct Reference {
  std::string group;
  bool user;  // to a user, else to an ACL
  std::string name;
};

struct Findings {
  std::size_t groups = 0;              // checked
  std::vector<Reference> dangling;     // to what does not exist
  std::vector<Reference> unconfirmed;  // to a user in no list that reads as empty: it may exist
  std::vector<std::string> unchecked;  // what the check could not see
  std::vector<std::string> notes;      // how it read what it saw
  std::map<std::string, CurrentGroup>
      read;  // the groups to repair (dangling references, read whole), as read
};

// What a repair did to one group.
struct Outcome {
  std::string group;
  std::vector<Reference> removed;
  std::string left;  // why the group was left alone, or the library's failure; "" when it was rewritten
};

// Reads every group and asks whether each user and ACL that it names exists. Throws ReadError.
Findings Check(const Context &context, const Reader &reader);

// Rewrites `group` without its references among `dangling` (modifyGroup), unless it differs now from
// `seen`, as the check read it, or what it misses exists again. A transaction conflict means that it
// changed meanwhile: it is read again and compared, as often as --retries allows.
Outcome Repair(const Context &context, const Reader &reader, const std::string &group,
               const CurrentGroup &seen, const std::vector<Reference> &dangling);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_INTEGRITY_H_
