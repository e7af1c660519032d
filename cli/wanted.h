// The wanted state of a database's users, groups and ACLs as `custor apply` reads it from a JSON file
// and `custor export` writes it:
//
//   {"users":  [{"id": "ann", "content": "<name>Ann Lee</name>"}],
//    "acls":   [{"name": "docs", "entries": [{"access": "read", "text": "/docs"}]}],
//    "groups": [{"name": "staff", "users": ["ann"], "acls": ["docs"]}]}
//
// Each of the three lists, "content", "entries", "users" and "acls" may be left out (empty). Membership
// is said once, in the groups. Entries keep their order; everything else is a set.
#ifndef CUSTOR_CLI_WANTED_H_
#define CUSTOR_CLI_WANTED_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "cli/json_file.h"
#include "cli/output.h"

namespace custor::cli {

// One access control entry.
struct Entry {
  std::string access, text;
  bool operator==(const Entry &) const = default;
};

struct Wanted {
  struct Group {
    std::size_t index = 0;                 // its place in the file's "groups"
    std::vector<std::string> users, acls;  // in the file's order
  };
  std::map<std::string, std::string> users;        // id -> content (XML text)
  std::map<std::string, std::vector<Entry>> acls;  // name -> entries, in order
  std::map<std::string, Group> groups;
};

// Reads the wanted state from `file` and refuses, at its place in the file, what the library could not
// carry out: a value of the wrong type or an unknown member, a name that is empty or that the library
// refuses, a user, ACL or group given twice, a group naming a user or ACL twice, an ACL with two entries
// of the same text, more references or entries than a record holds, a content that is not well-formed.
// Whether the users and ACLs that the groups name exist is the caller's part (it needs the database).
Wanted ReadWanted(const JsonFile &file);

// The JSON pointer of a group's reference in the file: kind "users" or "acls", `position` in its list.
std::string ReferencePath(const Wanted::Group &group, const char *kind, std::size_t position);

// The file format of `wanted`, written as ReadWanted reads it.
Json WantedJson(const Wanted &wanted);

// Why the library would refuse `name` as a name ("" when it would not): it must not be empty nor hold
// '"', '<', '>', '&' or a byte below 0x20 (the library answers those with "VRX@DLL INVALID_NAME").
std::string NameProblem(const std::string &name);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_WANTED_H_
