#include "queries/arguments.h"

namespace custor {

void ArgumentCheck::Refuse(std::string_view refusal) {
  if (refusal_ != kInvalidArgument) refusal_ = refusal;
}

ArgumentCheck &ArgumentCheck::Text(const char *text) {
  if (text == nullptr) Refuse(kInvalidArgument);
  return *this;
}

ArgumentCheck &ArgumentCheck::Name(const char *name) {
  if (name == nullptr) {
    Refuse(kInvalidArgument);
  } else if (!IsValidName(name)) {
    Refuse(kInvalidName);
  }
  return *this;
}

ArgumentCheck &ArgumentCheck::Names(const std::vector<std::string> &names) {
  for (const std::string &name : names) {
    if (!IsValidName(name)) Refuse(kInvalidName);
  }
  return *this;
}

std::optional<std::vector<std::string>> ArgumentCheck::GroupList(const ::NameList *groups) {
  if (groups == nullptr) return std::nullopt;
  std::optional<std::vector<std::string>> names = NamesFrom(*groups);
  if (!names) {
    Refuse(kInvalidArgument);
  } else {
    Names(*names);
  }
  return names;
}

std::optional<GroupContent> ArgumentCheck::Group(const ::GroupRecord *group) {
  std::optional<GroupContent> wanted = group != nullptr ? GroupFrom(*group) : std::nullopt;
  if (!wanted) {
    Refuse(kInvalidArgument);
  } else {
    Name(wanted->name.c_str()).Names(wanted->users).Names(wanted->acls);
  }
  return wanted;
}

std::optional<std::vector<Ace>> ArgumentCheck::Acl(const ::AclRecord *acl) {
  std::optional<std::vector<Ace>> aces = acl != nullptr ? AcesFrom(*acl) : std::nullopt;
  if (!aces) {
    Refuse(kInvalidArgument);
    return aces;
  }
  for (const Ace &ace : *aces) {
    if (ace.omit != "1") Name(ace.access.c_str()).Name(ace.text.c_str());
  }
  return aces;
}

}  // namespace custor
