// Security object records as the readers fill them: the content of the exported records, whose
// conversion is the exported layer's.
#ifndef CUSTOR_LIB_QUERIES_RECORDS_H_
#define CUSTOR_LIB_QUERIES_RECORDS_H_

#include <optional>
#include <string>
#include <vector>

#include "core/documents.h"
#include "core/session.h"
#include "core/status.h"

namespace custor {

// A list of names (NameList).
struct Names {
  Status status;
  std::vector<std::string> names;
};

// Every user with its data (UserDataList); userData[i] belongs to userIds[i].
struct UserDataTable {
  Status status;
  std::vector<std::string> userIds;
  std::vector<std::string> userData;
};

// One user (UserRecord). data and session stay empty where the read did not fill them.
struct UserDetails {
  Status status;
  std::optional<std::string> data;
  std::vector<std::string> groups;
  std::optional<Session> session;
};

// One group (GroupRecord) as read: nameOrId is the document's kiv:id, as the scan read it.
struct GroupData {
  std::optional<std::string> nameOrId;
  Status status;
  std::vector<std::string> users;
  std::vector<std::string> acls;
  std::optional<Session> session;
};

// One ACL (AclRecord) as read: id is the document's kiv:id, as the scan read it.
struct AclData {
  Status status;
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

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_RECORDS_H_
