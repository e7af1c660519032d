// Exported functions of the changes: deletes, modifies and the adding of an access entry.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "change/add_ace.h"
#include "change/delete_group.h"
#include "change/delete_user_or_acl.h"
#include "change/modify.h"
#include "core/abi.h"
#include "queries/records.h"

using custor::Guard;
using custor::kInvalidArgument;
using custor::kInvalidName;
using custor::MakeCall;

namespace {

using Texts = std::vector<std::string>;

// The answer of `change` as a fresh text for the caller; `change` answers the refusals of its
// arguments itself, before anything is sent.
template <typename Change>
char *Answer(Change change) {
  return Guard([&] { return custor::ResultText(change()); },
               [] { return custor::ResultText(custor::kOutOfMemory); });
}

bool AllValid(const Texts &names) {
  for (const std::string &name : names) {
    if (!custor::IsValidName(name)) return false;
  }
  return true;
}

// A name of a delete: null has no meaning, and a name that would break the command is not sent.
template <typename Delete>
char *DeleteNamed(Delete del, const custor::Call &call, const char *name) {
  return Answer([&]() -> std::string {
    if (name == nullptr) return std::string(kInvalidArgument);
    if (!custor::IsValidName(name)) return std::string(kInvalidName);
    return del(call, name);
  });
}

// The group list of a user or ACL modify: null means none.
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
    list.refusal = kInvalidArgument;
  } else if (!AllValid(*list.names)) {
    list.refusal = kInvalidName;
  }
  return list;
}

using UserModify = std::string (*)(const custor::Call &, std::string_view, const std::string &,
                                   std::string_view, const Texts *);

char *ModifyUser(UserModify modify, const custor::Call &call, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups) {
  return Answer([&]() -> std::string {
    if (userid == nullptr || content == nullptr || newuserid == nullptr) return std::string(kInvalidArgument);
    const GroupList list = GroupListFrom(groups);
    if (list.refusal == kInvalidArgument) return std::string(kInvalidArgument);
    if (!custor::IsValidName(userid) || !custor::IsValidName(newuserid) || !list.refusal.empty()) {
      return std::string(kInvalidName);
    }
    return modify(call, userid, content, newuserid, list.get());
  });
}

using GroupModify = std::string (*)(const custor::Call &, std::string_view, const custor::GroupSpec &);

char *ModifyGroup(GroupModify modify, const custor::Call &call, const char *groupname,
                  const GroupRecord *group) {
  return Answer([&]() -> std::string {
    if (groupname == nullptr || group == nullptr) return std::string(kInvalidArgument);
    const std::optional<custor::GroupSpec> spec = custor::GroupFrom(*group);
    if (!spec) return std::string(kInvalidArgument);
    if (!custor::IsValidName(groupname) || !custor::IsValidName(spec->name) || !AllValid(spec->users) ||
        !AllValid(spec->acls)) {
      return std::string(kInvalidName);
    }
    return modify(call, groupname, *spec);
  });
}

using AclModify = std::string (*)(const custor::Call &, std::string_view, std::string_view, const Texts *,
                                  const std::vector<custor::Ace> &);

char *ModifyAcl(AclModify modify, const custor::Call &call, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl) {
  return Answer([&]() -> std::string {
    if (aclname == nullptr || newaclname == nullptr || acl == nullptr) return std::string(kInvalidArgument);
    const std::optional<std::vector<custor::Ace>> aces = custor::AcesFrom(*acl);
    const GroupList list = GroupListFrom(groups);
    if (!aces || list.refusal == kInvalidArgument) return std::string(kInvalidArgument);
    bool valid = custor::IsValidName(aclname) && custor::IsValidName(newaclname) && list.refusal.empty();
    // Omitted entries never reach the document; only the ones written must fit in it.
    for (const custor::Ace &ace : *aces) {
      if (ace.omit == "1") continue;
      valid = valid && custor::IsValidName(ace.access) && custor::IsValidName(ace.text);
    }
    if (!valid) return std::string(kInvalidName);
    return modify(call, aclname, newaclname, list.get(), *aces);
  });
}

}  // namespace

extern "C" {

char *deleteUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                 uint32_t extra) {
  return DeleteNamed(custor::deleteUser, MakeCall(context, database, connection, extra), userid);
}

char *deleteACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                uint32_t extra) {
  return DeleteNamed(custor::deleteACL, MakeCall(context, database, connection, extra), aclname);
}

char *deleteGroup(uint32_t context, const char *database, const char *groupname, uint32_t connection,
                  uint32_t extra) {
  return DeleteNamed(custor::deleteGroup, MakeCall(context, database, connection, extra), groupname);
}

char *modifyUser(uint32_t context, const char *database, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return ModifyUser(custor::modifyUser, MakeCall(context, database, connection, extra), userid, content,
                    newuserid, groups);
}

char *modifyUser_BAT(uint32_t context, const char *database, const char *userid, const char *content,
                     const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return ModifyUser(custor::modifyUser_BAT, MakeCall(context, database, connection, extra), userid, content,
                    newuserid, groups);
}

char *modifyGroup(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                  uint32_t connection, uint32_t extra) {
  return ModifyGroup(custor::modifyGroup, MakeCall(context, database, connection, extra), groupname, group);
}

char *modifyGroup_BAT(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                      uint32_t connection, uint32_t extra) {
  return ModifyGroup(custor::modifyGroup_BAT, MakeCall(context, database, connection, extra), groupname,
                     group);
}

char *modifyACL(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return ModifyAcl(custor::modifyACL, MakeCall(context, database, connection, extra), aclname, newaclname,
                   groups, acl);
}

char *modifyACL_BAT(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                    const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return ModifyAcl(custor::modifyACL_BAT, MakeCall(context, database, connection, extra), aclname, newaclname,
                   groups, acl);
}

char *addACE(uint32_t context, const char *database, const char *aclname, const char *text,
             const char *access, uint32_t connection, uint32_t extra) {
  return Answer([&]() -> std::string {
    if (aclname == nullptr || text == nullptr || access == nullptr) return std::string(kInvalidArgument);
    if (!custor::IsValidName(aclname) || !custor::IsValidName(text) || !custor::IsValidName(access)) {
      return std::string(kInvalidName);
    }
    return custor::addACE(MakeCall(context, database, connection, extra), aclname, text, access);
  });
}

}  // extern "C"
