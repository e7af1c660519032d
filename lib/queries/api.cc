// Exported functions of the queries: name lists and the readers of users, groups and ACLs.
#include "core/abi.h"
#include "queries/acl_details.h"
#include "queries/group_details.h"
#include "queries/name_lists.h"
#include "queries/records.h"
#include "queries/user_details.h"

using custor::Guard;
using custor::MakeCall;

namespace {

NameList *NameListOf(custor::Names (*list)(const custor::Call &), const custor::Call &call) {
  return Guard([&] { return custor::NewNameList(list(call)); },
               [] {
                 return custor::NewNameList(custor::Names{std::string(custor::kOutOfMemory), {}});
               });
}

// A reader of one named object: a null name is refused, a name that would break the query too, and
// nothing is sent for either.
template <typename Data, typename Record>
Record *ReadNamed(Data (*read)(const custor::Call &, std::string_view), Record *(*make)(const Data &),
                  const custor::Call &call, const char *name) {
  const auto refused = [make](std::string_view status) {
    Data data;
    data.status = status;
    return make(data);
  };
  return Guard(
      [&] {
        if (name == nullptr) return refused(custor::kInvalidArgument);
        if (!custor::IsValidName(name)) return refused(custor::kInvalidName);
        return make(read(call, name));
      },
      [&] { return refused(custor::kOutOfMemory); });
}

}  // namespace

extern "C" {

NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getUsers, MakeCall(context, database, connection, extra));
}

NameList *getGroups(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getGroups, MakeCall(context, database, connection, extra));
}

NameList *getACLs(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getACLs, MakeCall(context, database, connection, extra));
}

GroupRecord *getDataForGroup(uint32_t context, const char *database, const char *groupname,
                             uint32_t connection, uint32_t extra) {
  return ReadNamed(custor::getDataForGroup, custor::NewGroupRecord,
                   MakeCall(context, database, connection, extra), groupname);
}

GroupRecord *getDataForGroup_RO(uint32_t context, const char *database, const char *groupname,
                                uint32_t connection, uint32_t extra) {
  return ReadNamed(custor::getDataForGroup_RO, custor::NewGroupRecord,
                   MakeCall(context, database, connection, extra), groupname);
}

AclRecord *getDataForACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                         uint32_t extra) {
  return ReadNamed(custor::getDataForACL, custor::NewAclRecord,
                   MakeCall(context, database, connection, extra), aclname);
}

AclRecord *getDataForACL_RO(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                            uint32_t extra) {
  return ReadNamed(custor::getDataForACL_RO, custor::NewAclRecord,
                   MakeCall(context, database, connection, extra), aclname);
}

UserDataList *getUserData(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  const custor::Call call = MakeCall(context, database, connection, extra);
  return Guard(
      [&] { return custor::NewUserDataList(custor::getUserData(call)); },
      [] {
        return custor::NewUserDataList(custor::UserDataTable{std::string(custor::kOutOfMemory), {}, {}});
      });
}

UserRecord *getDetailsForUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                              uint32_t extra) {
  return ReadNamed(custor::getDetailsForUser, custor::NewUserRecord,
                   MakeCall(context, database, connection, extra), userid);
}

UserRecord *getDetailsForUser_RO(uint32_t context, const char *database, const char *userid,
                                 uint32_t connection, uint32_t extra) {
  return ReadNamed(custor::getDetailsForUser_RO, custor::NewUserRecord,
                   MakeCall(context, database, connection, extra), userid);
}

}  // extern "C"
