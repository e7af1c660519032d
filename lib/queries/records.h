// Security object records as the internals see them, and their conversion to and from the fixed-layout
// records of the exported interface.
#ifndef CUSTOR_LIB_QUERIES_RECORDS_H_
#define CUSTOR_LIB_QUERIES_RECORDS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abi.h"
#include "core/session.h"
#include "custor/custor.h"

namespace custor {

// A list of names and its status (NameList).
struct Names {
  std::string status = "0";
  std::vector<std::string> names;
};

// Every user with its data (UserDataList); userData[i] belongs to userIds[i].
struct UserDataTable {
  std::string status = "0";
  std::vector<std::string> userIds;
  std::vector<std::string> userData;
};

// One user (UserRecord). data and session stay empty where the read did not fill them.
struct UserDetails {
  std::string status;
  std::optional<std::string> data;
  std::vector<std::string> groups;
  std::optional<Session> session;
};

// One group (GroupRecord) as read: nameOrId is the document's kiv:id.
struct GroupData {
  std::optional<std::string> nameOrId;
  std::string status;
  std::vector<std::string> users;
  std::vector<std::string> acls;
  std::optional<Session> session;
};

// One access control entry (AceRecord). omit is read on input only.
struct Ace {
  std::string access;
  std::string text;
  std::string omit;
};

// One ACL (AclRecord) as read.
struct AclData {
  std::string status;
  std::optional<std::string> id;
  std::optional<Session> session;
  std::vector<Ace> aces;
  std::vector<std::string> groups;
};

// A group handed in by the agent: its name and the users and ACLs it is to refer to.
struct GroupContent {
  std::string name;
  std::vector<std::string> users;
  std::vector<std::string> acls;
};

// Input conversion. nullopt for a record that breaks the interface (a count outside 0..2000, a null
// entry below the count, a null name); the caller answers kInvalidArgument.
std::optional<std::vector<std::string>> NamesFrom(const ::NameList &list);
std::optional<GroupContent> GroupFrom(const ::GroupRecord &group);
std::optional<std::vector<Ace>> AcesFrom(const ::AclRecord &acl);

// Output conversion: new records at full size that the caller owns (status texts excepted, which are
// shared and read-only). Null only when the heap is exhausted.
::NameList *NewNameList(const Names &names) noexcept;
::UserDataList *NewUserDataList(const UserDataTable &table) noexcept;
::UserRecord *NewUserRecord(const UserDetails &user) noexcept;
::GroupRecord *NewGroupRecord(const GroupData &group) noexcept;
::AclRecord *NewAclRecord(const AclData &acl) noexcept;

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_RECORDS_H_
