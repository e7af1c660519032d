// What the library reads of a database's users, groups and ACLs, through its exported readers only.
#ifndef CUSTOR_CLI_STATE_H_
#define CUSTOR_CLI_STATE_H_

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/wanted.h"

namespace custor::cli {

// A reader that answered a failure: the library's text.
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A name list as getUsers, getGroups or getACLs read it, sorted by the server. The library lists at most
// CUSTOR_CAPACITY names, the first ones in that order: a full list may be cut after its last name.
class Listed {
 public:
  Listed() = default;
  explicit Listed(std::vector<std::string> names);
  const std::vector<std::string> &names() const { return names_; }
  bool full() const;
  // Whether the database holds `name`: true or false, or nullopt when a full list ends before it.
  std::optional<bool> Holds(const std::string &name) const;

 private:
  std::vector<std::string> names_;
  std::set<std::string> set_;
};

// One group: its references, sorted. `full`: a list came back at a record's room and may be cut.
struct CurrentGroup {
  std::vector<std::string> users, acls;
  bool full = false;
  bool operator==(const CurrentGroup &) const = default;
};

// One ACL: its entries in order and the groups that refer to it (sorted), with the same mark.
struct CurrentAcl {
  std::vector<Entry> entries;
  std::vector<std::string> groups;
  bool entries_full = false, groups_full = false;
};

// One user: its data and the groups that refer to it. The reader cannot tell a user whose data is empty
// from no user at all: `confirmed` is false for a user that reads as empty and that no list showed.
struct CurrentUser {
  std::string data;
  std::vector<std::string> groups;
  bool groups_full = false;
  bool confirmed = true;
};

// The readers, sessionless; each throws ReadError when the library answers a failure.
class Reader {
 public:
  explicit Reader(const Context &context) : context_(context) {}

  Listed Users() const;
  Listed Groups() const;
  Listed Acls() const;
  // nullopt: there is no such group (getDataForGroup_RO).
  std::optional<CurrentGroup> Group(const std::string &name) const;
  // nullopt: there is no such ACL (getDataForACL_RO).
  std::optional<CurrentAcl> Acl(const std::string &name) const;
  // getDetailsForUser_RO: `confirmed` is whether the data shows the user (it is not empty).
  CurrentUser User(const std::string &id) const;
  // getUserData: every listed user's data.
  std::map<std::string, std::string> UserData() const;

 private:
  const Context &context_;
};

// Whether a user or ACL that a group names exists, asked once per name: the list first, and when a full
// list cannot tell, the object's own reader.
class Existence {
 public:
  Existence(const Reader &reader, Listed users, Listed acls)
      : reader_(reader), users_(std::move(users)), acls_(std::move(acls)) {}
  // true or false; nullopt for a user that is in no list and reads as empty (it may exist).
  std::optional<bool> User(const std::string &id);
  bool Acl(const std::string &name);
  const Listed &users() const { return users_; }
  const Listed &acls() const { return acls_; }

 private:
  const Reader &reader_;
  Listed users_, acls_;
  std::map<std::string, std::optional<bool>> users_read_;
  std::map<std::string, bool> acls_read_;
};

}  // namespace custor::cli

#endif  // CUSTOR_CLI_STATE_H_
