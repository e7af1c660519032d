// Exported functions of the create operations: a user, an ACL or a group, plain or checked (_BAT).
#include <string>
#include <string_view>
#include <vector>

#include "create/create.h"
#include "queries/arguments.h"

using custor::AnswerText;
using custor::ArgumentCheck;

namespace {

using Texts = std::vector<std::string>;
using UserCreate = std::string (*)(const custor::Call &, const std::string &, std::string_view,
                                   const Texts *);
using AclCreate = std::string (*)(const custor::Call &, std::string_view, const Texts *,
                                  const std::vector<custor::Ace> &);
using GroupCreate = std::string (*)(const custor::Call &, const custor::GroupContent &);

char *CreateUser(UserCreate create, const custor::CallArgs &args, const char *content, const char *userid,
                 const NameList *groups) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Text(content).Name(userid);
    const auto list = check.GroupList(groups);
    if (!check.ok()) return check.refusal();
    return create(args.call(), content, userid, list ? &*list : nullptr);
  });
}

char *CreateAcl(AclCreate create, const custor::CallArgs &args, const char *aclname, const NameList *groups,
                const AclRecord *acl) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Name(aclname);
    const auto list = check.GroupList(groups);
    const auto aces = check.Acl(acl);
    if (!check.ok()) return check.refusal();
    return create(args.call(), aclname, list ? &*list : nullptr, *aces);
  });
}

char *CreateGroup(GroupCreate create, const custor::CallArgs &args, const GroupRecord *group) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database);
    const auto wanted = check.Group(group);
    if (!check.ok()) return check.refusal();
    return create(args.call(), *wanted);
  });
}

}  // namespace

extern "C" {

char *createUser(uint32_t context, const char *database, const char *content, const char *userid,
                 const NameList *groups, uint32_t connection, uint32_t extra) {
  return CreateUser(custor::createUser, {context, database, connection, extra}, content, userid, groups);
}

char *createUser_BAT(uint32_t context, const char *database, const char *content, const char *userid,
                     const NameList *groups, uint32_t connection, uint32_t extra) {
  return CreateUser(custor::createUser_BAT, {context, database, connection, extra}, content, userid, groups);
}

char *createACL(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return CreateAcl(custor::createACL, {context, database, connection, extra}, aclname, groups, acl);
}

char *createACL_BAT(uint32_t context, const char *database, const char *aclname, const NameList *groups,
                    const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return CreateAcl(custor::createACL_BAT, {context, database, connection, extra}, aclname, groups, acl);
}

char *createGroup(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                  uint32_t extra) {
  return CreateGroup(custor::createGroup, {context, database, connection, extra}, group);
}

char *createGroup_BAT(uint32_t context, const char *database, const GroupRecord *group, uint32_t connection,
                      uint32_t extra) {
  return CreateGroup(custor::createGroup_BAT, {context, database, connection, extra}, group);
}

}  // extern "C"
