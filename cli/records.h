// The input records that the command hands to the library, built from its arguments. Each owns its
// texts; the record stays valid as long as the object.
#ifndef CUSTOR_CLI_RECORDS_H_
#define CUSTOR_CLI_RECORDS_H_

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "custor/custor.h"

namespace custor::cli {

// A command line that names something impossible: exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One access control entry as given: "ACCESS=TEXT" (split at the first '='), and whether it is to be
// left out when the ACL is written (omit "1").
struct AceSpec {
  std::string access;
  std::string text;
  bool omit = false;
};
AceSpec ParseAce(std::string_view given, bool omit);

class NameListInput {
 public:
  explicit NameListInput(std::vector<std::string> names);
  const NameList *get() const { return record_.get(); }

 private:
  std::vector<std::string> names_;
  std::unique_ptr<NameList> record_;
};

class GroupInput {
 public:
  GroupInput(std::string name, std::vector<std::string> users, std::vector<std::string> acls);
  const GroupRecord *get() const { return record_.get(); }

 private:
  std::string name_;
  std::vector<std::string> users_, acls_;
  std::unique_ptr<GroupRecord> record_;
};

class AclInput {
 public:
  explicit AclInput(std::vector<AceSpec> aces);
  const AclRecord *get() const { return record_.get(); }

 private:
  std::vector<AceSpec> specs_;
  std::vector<AceRecord> aces_;
  std::unique_ptr<AclRecord> record_;
};

}  // namespace custor::cli

#endif  // CUSTOR_CLI_RECORDS_H_
