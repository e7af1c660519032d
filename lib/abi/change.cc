// Exported functions of the changes: deletes, modifies and the adding of an access entry.
#include "abi/export.h"
#include "change/append_entry.h"
#include "change/delete_group.h"
#include "change/delete_user_or_acl.h"
#include "change/modify.h"

using custor::Arguments;
using custor::Call;
using custor::Checks;
using custor::Export;
using custor::Kind;

namespace {

char *Delete(Kind kind, uint32_t context, const char *database, const char *name, uint32_t connection,
             uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view named = in.Name(name);
    return in.Then([&] {
      // A group goes with one command of its own; a user or ACL takes every group's reference with it.
      if (kind == Kind::kGroup) return custor::DeleteGroup(call, named);
      return custor::DeleteUserOrAcl(call, kind, named, nullptr).status;
    });
  });
}

char *UserModify(Checks checks, uint32_t context, const char *database, const char *userid,
                 const char *content, const char *newuserid, const NameList *groups, uint32_t connection,
                 uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view id = in.Name(userid);
    const std::string_view text = in.Text(content);
    const std::string_view new_id = in.Name(newuserid);
    const std::vector<std::string> linked = in.GroupList(groups);
    return in.Then([&] { return custor::ModifyUser(call, id, text, new_id, linked, checks); });
  });
}

char *GroupModify(Checks checks, uint32_t context, const char *database, const char *groupname,
                  const GroupRecord *group, uint32_t connection, uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(groupname);
    const custor::GroupContent wanted = in.Group(group);
    return in.Then([&] { return custor::ModifyGroup(call, name, wanted, checks); });
  });
}

char *AclModify(Checks checks, uint32_t context, const char *database, const char *aclname,
                const char *newaclname, const NameList *groups, const AclRecord *acl, uint32_t connection,
                uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(aclname);
    const std::string_view new_name = in.Name(newaclname);
    const std::vector<std::string> linked = in.GroupList(groups);
    const std::vector<custor::Ace> aces = in.Acl(acl);
    return in.Then([&] { return custor::ModifyAcl(call, name, new_name, linked, aces, checks); });
  });
}

}  // namespace

extern "C" {

char *deleteUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                 uint32_t extra) {
  return Delete(Kind::kUser, context, database, userid, connection, extra);
}

char *deleteACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                uint32_t extra) {
  return Delete(Kind::kAcl, context, database, aclname, connection, extra);
}

char *deleteGroup(uint32_t context, const char *database, const char *groupname, uint32_t connection,
                  uint32_t extra) {
  return Delete(Kind::kGroup, context, database, groupname, connection, extra);
}

char *modifyUser(uint32_t context, const char *database, const char *userid, const char *content,
                 const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return UserModify(Checks::kNone, context, database, userid, content, newuserid, groups, connection, extra);
}

char *modifyUser_BAT(uint32_t context, const char *database, const char *userid, const char *content,
                     const char *newuserid, const NameList *groups, uint32_t connection, uint32_t extra) {
  return UserModify(Checks::kLinked, context, database, userid, content, newuserid, groups, connection,
                    extra);
}

char *modifyGroup(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                  uint32_t connection, uint32_t extra) {
  return GroupModify(Checks::kNone, context, database, groupname, group, connection, extra);
}

char *modifyGroup_BAT(uint32_t context, const char *database, const char *groupname, const GroupRecord *group,
                      uint32_t connection, uint32_t extra) {
  return GroupModify(Checks::kLinked, context, database, groupname, group, connection, extra);
}

char *modifyACL(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return AclModify(Checks::kNone, context, database, aclname, newaclname, groups, acl, connection, extra);
}

char *modifyACL_BAT(uint32_t context, const char *database, const char *aclname, const char *newaclname,
                    const NameList *groups, const AclRecord *acl, uint32_t connection, uint32_t extra) {
  return AclModify(Checks::kLinked, context, database, aclname, newaclname, groups, acl, connection, extra);
}

char *addACE(uint32_t context, const char *database, const char *aclname, const char *text,
             const char *access, uint32_t connection, uint32_t extra) {
  return Export<char *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(aclname);
    const std::string_view entry = in.Name(text);
    const std::string_view value = in.Name(access);
    return in.Then([&] { return custor::AppendEntry(call, name, entry, value); });
  });
}

}  // extern "C"
