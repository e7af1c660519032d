// Exported functions of the queries: name lists and the readers of users, groups and ACLs.
#include "queries/acl_details.h"
#include "queries/arguments.h"
#include "queries/group_details.h"
#include "queries/name_lists.h"
#include "queries/user_details.h"

using custor::ArgumentCheck;
using custor::MakeCall;

namespace {

// An otherwise empty record whose status says why nothing was read.
template <typename Data, typename Record>
Record *Refused(Record *(*make)(const Data &), std::string_view status) {
  Data data;
  data.status = status;
  return make(data);
}

// Runs `read` when the arguments passed `check` and hands its record out; a refusal, or a lack of
// memory, becomes the status of an empty record. Nothing is sent for a refusal.
template <typename Data, typename Record, typename Read>
Record *Answer(Record *(*make)(const Data &), const ArgumentCheck &check, Read read) {
  return custor::Guard([&] { return check.ok() ? make(read()) : Refused(make, check.refusal()); },
                       [&] { return Refused(make, custor::kOutOfMemory); });
}

ArgumentCheck Database(const char *database) {
  ArgumentCheck check;
  check.Text(database);
  return check;
}

ArgumentCheck DatabaseAndName(const char *database, const char *name) {
  ArgumentCheck check;
  check.Text(database).Name(name);
  return check;
}

}  // namespace

extern "C" {

NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Answer(custor::NewNameList, Database(database),
                [&] { return custor::getUsers(MakeCall(context, database, connection, extra)); });
}

NameList *getGroups(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Answer(custor::NewNameList, Database(database),
                [&] { return custor::getGroups(MakeCall(context, database, connection, extra)); });
}

NameList *getACLs(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Answer(custor::NewNameList, Database(database),
                [&] { return custor::getACLs(MakeCall(context, database, connection, extra)); });
}

GroupRecord *getDataForGroup(uint32_t context, const char *database, const char *groupname,
                             uint32_t connection, uint32_t extra) {
  return Answer(custor::NewGroupRecord, DatabaseAndName(database, groupname), [&] {
    return custor::getDataForGroup(MakeCall(context, database, connection, extra), groupname);
  });
}

GroupRecord *getDataForGroup_RO(uint32_t context, const char *database, const char *groupname,
                                uint32_t connection, uint32_t extra) {
  return Answer(custor::NewGroupRecord, DatabaseAndName(database, groupname), [&] {
    return custor::getDataForGroup_RO(MakeCall(context, database, connection, extra), groupname);
  });
}

AclRecord *getDataForACL(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                         uint32_t extra) {
  return Answer(custor::NewAclRecord, DatabaseAndName(database, aclname), [&] {
    return custor::getDataForACL(MakeCall(context, database, connection, extra), aclname);
  });
}

AclRecord *getDataForACL_RO(uint32_t context, const char *database, const char *aclname, uint32_t connection,
                            uint32_t extra) {
  return Answer(custor::NewAclRecord, DatabaseAndName(database, aclname), [&] {
    return custor::getDataForACL_RO(MakeCall(context, database, connection, extra), aclname);
  });
}

UserDataList *getUserData(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Answer(custor::NewUserDataList, Database(database),
                [&] { return custor::getUserData(MakeCall(context, database, connection, extra)); });
}

UserRecord *getDetailsForUser(uint32_t context, const char *database, const char *userid, uint32_t connection,
                              uint32_t extra) {
  return Answer(custor::NewUserRecord, DatabaseAndName(database, userid), [&] {
    return custor::getDetailsForUser(MakeCall(context, database, connection, extra), userid);
  });
}

UserRecord *getDetailsForUser_RO(uint32_t context, const char *database, const char *userid,
                                 uint32_t connection, uint32_t extra) {
  return Answer(custor::NewUserRecord, DatabaseAndName(database, userid), [&] {
    return custor::getDetailsForUser_RO(MakeCall(context, database, connection, extra), userid);
  });
}

}  // extern "C"
