#include "cli/state.h"

#include <algorithm>

#include "cli/exported.h"
#include "cli/results.h"

namespace custor::cli {
namespace {

// The line of the server's reply to a query that selected nothing, which the ACL reader answers as its
// status for an ACL that does not exist.
constexpr const char *kNoObject = "XQL request processed, no object returned";

template <typename Record>
Record *Returned(Record *record, const char *function) {
  if (record == nullptr) throw LoadError(std::string(function) + " returned nothing");
  return record;
}

Listed Read(const Context &context, decltype(::getUsers) *list, const char *function) {
  Owned<NameList> names(Returned(list(0, context.Database(), context.connection, 0), function));
  if (Text(names->status) != "0") throw ReadError(Text(names->status));
  return Listed(Texts(names->names, names->count));
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

Listed::Listed(std::vector<std::string> names)
    : names_(std::move(names)), set_(names_.begin(), names_.end()) {}

bool Listed::full() const { return names_.size() >= static_cast<std::size_t>(CUSTOR_CAPACITY); }

std::optional<bool> Listed::Holds(const std::string &name) const {
  if (set_.count(name) != 0) return true;
  if (!full() || name < names_.back()) return false;
  return std::nullopt;
}

Listed Reader::Users() const {
  return Read(context_, CUSTOR_EXPORTED(*context_.library, getUsers), "getUsers");
}
Listed Reader::Groups() const {
  return Read(context_, CUSTOR_EXPORTED(*context_.library, getGroups), "getGroups");
}
Listed Reader::Acls() const { return Read(context_, CUSTOR_EXPORTED(*context_.library, getACLs), "getACLs"); }

std::optional<CurrentGroup> Reader::Group(const std::string &name) const {
  Owned<GroupRecord> group(Returned(CUSTOR_EXPORTED(*context_.library, getDataForGroup_RO)(
                                        0, context_.Database(), name.c_str(), context_.connection, 0),
                                    "getDataForGroup_RO"));
  if (Text(group->status) != "0") throw ReadError(Text(group->status));
  // The group's kiv:id, which the reader cannot read of a group that does not exist.
  if (Text(group->nameOrId) == "VRX@DLL PARSE_ERR") return std::nullopt;
  return CurrentGroup{Sorted(Texts(group->users, group->userCount)),
                      Sorted(Texts(group->acls, group->aclCount)),
                      group->userCount >= CUSTOR_CAPACITY || group->aclCount >= CUSTOR_CAPACITY};
}

std::optional<CurrentAcl> Reader::Acl(const std::string &name) const {
  Owned<AclRecord> acl(Returned(CUSTOR_EXPORTED(*context_.library, getDataForACL_RO)(
                                    0, context_.Database(), name.c_str(), context_.connection, 0),
                                "getDataForACL_RO"));
  const std::string status = Text(acl->status);
  if (status == kNoObject) return std::nullopt;
  if (status != "0") throw ReadError(status);
  CurrentAcl read;
  for (int32_t i = 0; i < Bounded(acl->aceCount); ++i) {
    const AceRecord *ace = acl->aces[i];
    read.entries.push_back(ace != nullptr ? Entry{Text(ace->access), Text(ace->text)} : Entry{});
  }
  read.groups = Sorted(Texts(acl->groups, acl->groupCount));
  read.entries_full = acl->aceCount >= CUSTOR_CAPACITY;
  read.groups_full = acl->groupCount >= CUSTOR_CAPACITY;
  return read;
}

CurrentUser Reader::User(const std::string &id) const {
  Owned<UserRecord> user(Returned(CUSTOR_EXPORTED(*context_.library, getDetailsForUser_RO)(
                                      0, context_.Database(), id.c_str(), context_.connection, 0),
                                  "getDetailsForUser_RO"));
  if (Text(user->status) != "0") throw ReadError(Text(user->status));
  CurrentUser read;
  read.data = Text(user->data);
  read.groups = Sorted(Texts(user->groups, user->groupCount));
  read.groups_full = user->groupCount >= CUSTOR_CAPACITY;
  read.confirmed = !read.data.empty();
  return read;
}

std::map<std::string, std::string> Reader::UserData() const {
  Owned<UserDataList> list(Returned(
      CUSTOR_EXPORTED(*context_.library, getUserData)(0, context_.Database(), context_.connection, 0),
      "getUserData"));
  if (Text(list->status) != "0") throw ReadError(Text(list->status));
  std::map<std::string, std::string> data;
  const std::vector<std::string> ids = Texts(list->userIds, list->count);
  const std::vector<std::string> texts = Texts(list->userData, list->count);
  for (std::size_t i = 0; i < ids.size(); ++i) data.emplace(ids[i], texts[i]);
  return data;
}

std::optional<bool> Existence::User(const std::string &id) {
  if (const std::optional<bool> listed = users_.Holds(id)) return listed;
  const auto [at, added] = users_read_.emplace(id, std::nullopt);
  if (added && reader_.User(id).confirmed) at->second = true;
  return at->second;
}

bool Existence::Acl(const std::string &name) {
  if (const std::optional<bool> listed = acls_.Holds(name)) return *listed;
  const auto [at, added] = acls_read_.emplace(name, false);
  if (added) at->second = reader_.Acl(name).has_value();
  return at->second;
}

}  // namespace custor::cli
