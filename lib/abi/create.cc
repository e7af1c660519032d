// Exported functions of the create operations: a user, an ACL or a group, plain or checked (_BAT).
#include "create/create.h"

#include "abi/export.h"

using custor::Arguments;
using custor::Call;
using custor::Checks;
using custor::Export;

namespace {

char *UserCreate(Checks checks, uint32_t context, const char *database, const char *content,
                 const char *userid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view text = in.Text(content);
    const std::string_view id = in.Name(userid);
    const std::vector<std::string> linked = in.GroupList(groups);
    return in.Then([&] { return custor::CreateUser(call, id, text, linked, checks); });
  });
}

char *AclCreate(Checks checks, uint32_t context, const char *database, const char *aclname,
                const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(aclname);
    const std::vector<std::string> linked = in.GroupList(groups);
    const std::vector<custor::Ace> aces = in.Acl(acl);
    return in.Then([&] { return custor::CreateAcl(call, name, linked, aces, checks); });
  });
}

char *GroupCreate(Checks checks, uint32_t context, const char *database, const GroupRecord *group,
                  uint32_t connection, uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const custor::GroupContent wanted = in.Group(group);
    return in.Then([&] { return custor::CreateGroup(call, wanted, checks); });
  });
}

}  // namespace

extern "C" {

char *createUser(uint32_t context, const char *database, const char *content, const char *userid,
                 const NameList *groups, uint32_t connection, uint32_t extra) {
  return UserCreate(Checks::kNone, context, database, content, userid, groups, connection, extra);
}

char *createUser_BAT(uint32_t context, const char *database, const char *content, const char *userid,
                     const NameList *groups, uint32_t connection, uint32_t extra) {
  return UserCreate(Checks::kLinked, context, database, content, userid, groups, connection, extra);
}

char *createACL(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return AclCreate(Checks::kNone, context, database, aclname, groups, acl, connection, extra);
}

char *createACL_BAT(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                    const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return AclCreate(Checks::kLinked, context, database, aclname, groups, acl, connection, extra);
}

char *createGroup(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                  uint32_t extra) {
  return GroupCreate(Checks::kNone, context, database, group, connection, extra);
}

char *createGroup_BAT(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                      uint32_t extra) {
  return GroupCreate(Checks::kLinked, context, database, group, connection, extra);
}

}  // extern "C"
