// Argument checks of the exported layer: every exported function refuses, before anything is sent, a
// null text or record where null has no meaning, a record whose counts or entries break the interface
// ("VRX@DLL INVALID_ARGUMENT"), and a name that would break a command or a document
// ("VRX@DLL INVALID_NAME"). A missing or malformed argument is reported before a bad name.
#ifndef CUSTOR_LIB_QUERIES_ARGUMENTS_H_
#define CUSTOR_LIB_QUERIES_ARGUMENTS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abi.h"
#include "queries/records.h"

namespace custor {

class ArgumentCheck {
 public:
  // A text that must be there (a database, user content).
  ArgumentCheck &Text(const char *text);
  // A name that must be there and must fit in commands and documents as it is.
  ArgumentCheck &Name(const char *name);
  ArgumentCheck &Names(const std::vector<std::string> &names);

  // The group list of a user or ACL operation: null means none.
  std::optional<std::vector<std::string>> GroupList(const ::NameList *groups);
  // A group handed in: its name and references.
  std::optional<GroupContent> Group(const ::GroupRecord *group);
  // The entries of an ACL handed in; the entries left out (omit "1") are never written, so only the
  // others must fit in a document.
  std::optional<std::vector<Ace>> Acl(const ::AclRecord *acl);

  bool ok() const { return refusal_.empty(); }
  // "" when every argument passed.
  std::string refusal() const { return std::string(refusal_); }

 private:
  void Refuse(std::string_view refusal);
  std::string_view refusal_;
};

// The result text of an exported function: `work` runs inside Guard, and its answer becomes a fresh
// text that the caller owns.
template <typename Work>
char *AnswerText(Work work) noexcept {
  return Guard([&] { return ResultText(work()); }, [] { return ResultText(kOutOfMemory); });
}

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_ARGUMENTS_H_
