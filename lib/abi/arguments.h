// The arguments of an exported function, checked and converted: every exported function refuses,
// before anything is sent, a null text or record where null has no meaning, a record whose counts or
// entries break the interface ("VRX@DLL INVALID_ARGUMENT"), and a name that would break a command or
// a document ("VRX@DLL INVALID_NAME"). A missing or malformed argument is reported before a bad name,
// whichever is checked first.
#ifndef CUSTOR_LIB_ABI_ARGUMENTS_H_
#define CUSTOR_LIB_ABI_ARGUMENTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/call.h"
#include "core/documents.h"
#include "core/session.h"
#include "custor/custor.h"
#include "queries/records.h"

namespace custor {

class Arguments {
 public:
  // The four connection parameters; the database must be there.
  Call CallTo(uint32_t context, const char *database, uint32_t connection, uint32_t extra);
  // A text that must be there (user content); "" when it is not.
  std::string_view Text(const char *text);
  // A name that must be there and must fit in commands and documents as it is.
  std::string_view Name(const char *name);
  // The group list of a user or ACL operation: null means none.
  std::vector<std::string> GroupList(const ::NameList *groups);
  // A group handed in: its name and references.
  GroupContent Group(const ::GroupRecord *group);
  // The entries of an ACL handed in; the entries left out (omit "1") are never written, so only the
  // others must fit in a document.
  std::vector<Ace> Acl(const ::AclRecord *acl);
  // A session handed in as its record; missing texts read as "".
  static Session SessionOf(const ::SessionRecord &record);

  bool ok() const { return refusal_.empty(); }
  std::string_view refusal() const { return refusal_; }

  // The result of `work` when every argument passed; none, and nothing done, otherwise.
  template <typename Work>
  auto Then(Work work) -> std::optional<decltype(work())> {
    if (!ok()) return std::nullopt;
    return work();
  }

 private:
  void Refuse(std::string_view refusal);
  void CheckName(std::string_view name);
  std::string_view refusal_;
};

}  // namespace custor

#endif  // CUSTOR_LIB_ABI_ARGUMENTS_H_
