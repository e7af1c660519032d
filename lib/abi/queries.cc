// Exported functions of the queries: name lists and the readers of users, groups and ACLs.
#include "abi/export.h"
#include "queries/acl_details.h"
#include "queries/group_details.h"
#include "queries/name_lists.h"
#include "queries/user_details.h"

using custor::Arguments;
using custor::Call;
using custor::Export;
using custor::Kind;
using custor::Reading;

namespace {

NameList *NameListOf(Kind kind, uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Export<NameList *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    return in.Then([&] { return custor::ListNames(call, kind); });
  });
}

UserRecord *UserRead(Reading reading, uint32_t context, const char *database, const char *userid,
                     uint32_t connection, uint32_t extra) {
  return Export<UserRecord *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view id = in.Name(userid);
    return in.Then([&] { return custor::ReadUserDetails(call, id, reading, custor::UserGroups::kRead); });
  });
}

GroupRecord *GroupRead(Reading reading, uint32_t context, const char *database, const char *groupname,
                       uint32_t connection, uint32_t extra) {
  return Export<GroupRecord *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(groupname);
    return in.Then([&] { return custor::ReadGroupData(call, name, reading); });
  });
}

AclRecord *AclRead(Reading reading, uint32_t context, const char *database, const char *aclname,
                   uint32_t connection, uint32_t extra) {
  return Export<AclRecord *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    const std::string_view name = in.Name(aclname);
    return in.Then([&] { return custor::ReadAclData(call, name, reading); });
  });
}

}  // namespace

extern "C" {

NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(Kind::kUser, context, database, connection, extra);
}

NameList *getGroups(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(Kind::kGroup, context, database, connection, extra);
}

NameList *getACLs(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(Kind::kAcl, context, database, connection, extra);
}

UserDataList *getUserData(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Export<UserDataList *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    return in.Then([&] { return custor::ReadUserDataTable(call); });
  });
}

UserRecord *getDetailsForUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                              uint32_t extra) {
  return UserRead(Reading::OwnSession(), context, database, userid, connection, extra);
}

UserRecord *getDetailsForUser_RO(uint32_t context, const char *database, const char *userid,
                                 uint32_t connection, uint32_t extra) {
  return UserRead(Reading::Sessionless(), context, database, userid, connection, extra);
}

GroupRecord *getDataForGroup(uint32_t context, const char *database, const char *groupname,
                             uint32_t connection, uint32_t extra) {
  return GroupRead(Reading::OwnSession(), context, database, groupname, connection, extra);
}

GroupRecord *getDataForGroup_RO(uint32_t context, const char *database, const char *groupname,
                                uint32_t connection, uint32_t extra) {
  return GroupRead(Reading::Sessionless(), context, database, groupname, connection, extra);
}

AclRecord *getDataForACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                         uint32_t extra) {
  return AclRead(Reading::OwnSession(), context, database, aclname, connection, extra);
}

AclRecord *getDataForACL_RO(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                            uint32_t extra) {
  return AclRead(Reading::Sessionless(), context, database, aclname, connection, extra);
}

}  // extern "C"
