// Exported functions of the create operations: a user, an ACL or a group, plain or checked (_BAT).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abi.h"
#include "create/create.h"
#include "queries/records.h"

using custor::Guard;
using custor::MakeCall;

namespace {

using Texts = std::vector<std::string>;

// Runs `create` so that no exception crosses to the agent; its answer (the operation's, or the refusal
// of its arguments before anything was sent) becomes a fresh text that the caller owns.
template <typename Create>
char *Answer(Create create) {
  return Guard([&] { return custor::ResultText(create()); },
               [] { return custor::ResultText(custor::kOutOfMemory); });
}

bool AllValid(const Texts &names) {
  for (const std::string &name : names) {
    if (!custor::IsValidName(name)) return false;
  }
  return true;
}

// The group list of a user or ACL create; null means none. Fails (kInvalidArgument) for a list that
// breaks the interface, and (kInvalidName) for a name that would break a query or a document.
struct GroupList {
  std::optional<Texts> names;
  std::string_view refusal;
  const Texts *get() const { return names ? &*names : nullptr; }
};

GroupList GroupListFrom(const NameList *groups) {
  GroupList list;
  if (groups == nullptr) return list;
  list.names = custor::NamesFrom(*groups);
  if (!list.names) {
    list.refusal = custor::kInvalidArgument;
  } else if (!AllValid(*list.names)) {
    list.refusal = custor::kInvalidName;
  }
  return list;
}

using UserCreate = std::string (*)(const custor::Call &, const std::string &, std::string_view,
                                   const Texts *);

char *CreateUser(UserCreate create, const custor::Call &call, const char *content, const char *userid,
                 const NameList *groups) {
  return Answer([&]() -> std::string {
    if (content == nullptr || userid == nullptr) return std::string(custor::kInvalidArgument);
    const GroupList list = GroupListFrom(groups);
    if (list.refusal == custor::kInvalidArgument) return std::string(list.refusal);
    if (!custor::IsValidName(userid) || !list.refusal.empty()) return std::string(custor::kInvalidName);
    return create(call, content, userid, list.get());
  });
}

using AclCreate = std::string (*)(const custor::Call &, std::string_view, const Texts *,
                                  const std::vector<custor::Ace> &);

char *CreateAcl(AclCreate create, const custor::Call &call, const char *aclname, const NameList *groups,
                const AclRecord *acl) {
  return Answer([&]() -> std::string {
    if (aclname == nullptr || acl == nullptr) return std::string(custor::kInvalidArgument);
    const std::optional<std::vector<custor::Ace>> aces = custor::AcesFrom(*acl);
    const GroupList list = GroupListFrom(groups);
    if (!aces || list.refusal == custor::kInvalidArgument) return std::string(custor::kInvalidArgument);
    bool valid = custor::IsValidName(aclname) && list.refusal.empty();
    // Omitted entries never reach the document; only the ones written must fit in it.
    for (const custor::Ace &ace : *aces) {
      if (ace.omit == "1") continue;
      valid = valid && custor::IsValidName(ace.access) && custor::IsValidName(ace.text);
    }
    if (!valid) return std::string(custor::kInvalidName);
    return create(call, aclname, list.get(), *aces);
  });
}

using GroupCreate = std::string (*)(const custor::Call &, const custor::GroupSpec &);

char *CreateGroup(GroupCreate create, const custor::Call &call, const GroupRecord *group) {
  return Answer([&]() -> std::string {
    if (group == nullptr) return std::string(custor::kInvalidArgument);
    const std::optional<custor::GroupSpec> spec = custor::GroupFrom(*group);
    if (!spec) return std::string(custor::kInvalidArgument);
    if (!custor::IsValidName(spec->name) || !AllValid(spec->users) || !AllValid(spec->acls)) {
      return std::string(custor::kInvalidName);
    }
    return create(call, *spec);
  });
}

}  // namespace

extern "C" {

char *createUser(uint32_t context, const char *database, const char *content, const char *userid,
                 const NameList *groups, uint32_t connection, uint32_t extra) {
  return CreateUser(custor::createUser, MakeCall(context, database, connection, extra), content, userid,
                    groups);
}

char *createUser_BAT(uint32_t context, const char *database, const char *content, const char *userid,
                     const NameList *groups, uint32_t connection, uint32_t extra) {
  return CreateUser(custor::createUser_BAT, MakeCall(context, database, connection, extra), content, userid,
                    groups);
}

char *createACL(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return CreateAcl(custor::createACL, MakeCall(context, database, connection, extra), aclname, groups, acl);
}

char *createACL_BAT(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                    const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return CreateAcl(custor::createACL_BAT, MakeCall(context, database, connection, extra), aclname, groups,
                   acl);
}

char *createGroup(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                  uint32_t extra) {
  return CreateGroup(custor::createGroup, MakeCall(context, database, connection, extra), group);
}

char *createGroup_BAT(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                      uint32_t extra) {
  return CreateGroup(custor::createGroup_BAT, MakeCall(context, database, connection, extra), group);
}

}  // extern "C"
