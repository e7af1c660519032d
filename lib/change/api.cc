// Exported functions of the changes: deletes, modifies and the adding of an access entry.
#include <string>
#include <string_view>
#include <vector>

#include "change/add_ace.h"
#include "change/delete_group.h"
#include "change/delete_user_or_acl.h"
#include "change/modify.h"
#include "queries/arguments.h"

using custor::AnswerText;
using custor::ArgumentCheck;
using custor::MakeCall;

namespace {

using Texts = std::vector<std::string>;
using UserModify = std::string (*)(const custor::Call &, std::string_view, const std::string &,
                                   std::string_view, const Texts *);
using GroupModify = std::string (*)(const custor::Call &, std::string_view, const custor::GroupContent &);
using AclModify = std::string (*)(const custor::Call &, std::string_view, std::string_view, const Texts *,
                                  const std::vector<custor::Ace> &);

// A delete of one named object.
template <typename Delete>
char *DeleteNamed(Delete del, const custor::CallArgs &args, const char *name) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Name(name);
    if (!check.ok()) return check.refusal();
    return del(args.call(), name);
  });
}

char *ModifyUser(UserModify modify, const custor::CallArgs &args, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Name(userid).Text(content).Name(newuserid);
    const auto list = check.GroupList(groups);
    if (!check.ok()) return check.refusal();
    return modify(args.call(), userid, content, newuserid, list ? &*list : nullptr);
  });
}

char *ModifyGroup(GroupModify modify, const custor::CallArgs &args, const char *groupname,
                  const GroupRecord *group) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Name(groupname);
    const auto wanted = check.Group(group);
    if (!check.ok()) return check.refusal();
    return modify(args.call(), groupname, *wanted);
  });
}

char *ModifyAcl(AclModify modify, const custor::CallArgs &args, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(args.database).Name(aclname).Name(newaclname);
    const auto list = check.GroupList(groups);
    const auto aces = check.Acl(acl);
    if (!check.ok()) return check.refusal();
    return modify(args.call(), aclname, newaclname, list ? &*list : nullptr, *aces);
  });
}

}  // namespace

extern "C" {

char *deleteUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                 uint32_t extra) {
  return DeleteNamed(custor::deleteUser, {context, database, connection, extra}, userid);
}

char *deleteACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                uint32_t extra) {
  return DeleteNamed(custor::deleteACL, {context, database, connection, extra}, aclname);
}

char *deleteGroup(uint32_t context, const char *database, const char *groupname, uint32_t connection,
                  uint32_t extra) {
  return DeleteNamed(custor::deleteGroup, {context, database, connection, extra}, groupname);
}

char *modifyUser(uint32_t context, const char *database, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return ModifyUser(custor::modifyUser, {context, database, connection, extra}, userid, content, newuserid,
                    groups);
}

char *modifyUser_BAT(uint32_t context, const char *database, const char *userid, const char *content,
                     const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return ModifyUser(custor::modifyUser_BAT, {context, database, connection, extra}, userid, content,
                    newuserid, groups);
}

char *modifyGroup(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                  uint32_t connection, uint32_t extra) {
  return ModifyGroup(custor::modifyGroup, {context, database, connection, extra}, groupname, group);
}

char *modifyGroup_BAT(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                      uint32_t connection, uint32_t extra) {
  return ModifyGroup(custor::modifyGroup_BAT, {context, database, connection, extra}, groupname, group);
}

char *modifyACL(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return ModifyAcl(custor::modifyACL, {context, database, connection, extra}, aclname, newaclname, groups,
                   acl);
}

char *modifyACL_BAT(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                    const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return ModifyAcl(custor::modifyACL_BAT, {context, database, connection, extra}, aclname, newaclname, groups,
                   acl);
}

char *addACE(uint32_t context, const char *database, const char *aclname, const char *text,
             const char *access, uint32_t connection, uint32_t extra) {
  return AnswerText([&]() -> std::string {
    ArgumentCheck check;
    check.Text(database).Name(aclname).Name(text).Name(access);
    if (!check.ok()) return check.refusal();
    return custor::addACE(MakeCall(context, database, connection, extra), aclname, text, access);
  });
}

}  // extern "C"
