#include "queries/records.h"

#include <algorithm>

#include "core/abi.h"
#include "core/text.h"

namespace custor {
namespace {

bool CountFits(int32_t count) { return count >= 0 && count <= kCapacity; }

std::optional<std::vector<std::string>> Texts(char *const *entries, int32_t count) {
  if (!CountFits(count)) return std::nullopt;
  std::vector<std::string> texts;
  texts.reserve(count);
  for (int32_t i = 0; i < count; ++i) {
    if (entries[i] == nullptr) return std::nullopt;
    texts.emplace_back(entries[i]);
  }
  return texts;
}

// Fills `slots` with copies of the first kCapacity texts; returns how many were filled.
int32_t FillTexts(char **slots, const std::vector<std::string> &texts) {
  const auto n = static_cast<int32_t>(std::min<std::size_t>(texts.size(), kCapacity));
  for (int32_t i = 0; i < n; ++i) slots[i] = ResultText(texts[i]);
  return n;
}

}  // namespace

std::optional<std::vector<std::string>> NamesFrom(const ::NameList &list) {
  return Texts(list.names, list.count);
}

std::optional<GroupContent> GroupFrom(const ::GroupRecord &group) {
  if (group.nameOrId == nullptr) return std::nullopt;
  auto users = Texts(group.users, group.userCount);
  auto acls = Texts(group.acls, group.aclCount);
  if (!users || !acls) return std::nullopt;
  return GroupContent{group.nameOrId, std::move(*users), std::move(*acls)};
}

std::optional<std::vector<Ace>> AcesFrom(const ::AclRecord &acl) {
  if (!CountFits(acl.aceCount)) return std::nullopt;
  std::vector<Ace> aces;
  aces.reserve(acl.aceCount);
  for (int32_t i = 0; i < acl.aceCount; ++i) {
    const ::AceRecord *ace = acl.aces[i];
    if (ace == nullptr || ace->access == nullptr || ace->text == nullptr) return std::nullopt;
    aces.push_back(Ace{ace->access, ace->text, ace->omit != nullptr ? ace->omit : ""});
  }
  return aces;
}

::NameList *NewNameList(const Names &names) noexcept {
  auto *list = NewRecord<::NameList>();
  if (list == nullptr) return nullptr;
  list->status = SharedStatus(names.status);
  list->count = FillTexts(list->names, names.names);
  return list;
}

::UserDataList *NewUserDataList(const UserDataTable &table) noexcept {
  auto *list = NewRecord<::UserDataList>();
  if (list == nullptr) return nullptr;
  list->status = SharedStatus(table.status);
  list->count = FillTexts(list->userIds, table.userIds);
  FillTexts(list->userData, table.userData);
  return list;
}

::UserRecord *NewUserRecord(const UserDetails &user) noexcept {
  auto *record = NewRecord<::UserRecord>();
  if (record == nullptr) return nullptr;
  record->status = SharedStatus(user.status);
  if (user.data) record->data = ResultText(*user.data);
  record->groupCount = FillTexts(record->groups, user.groups);
  if (user.session) record->session = NewSessionRecord(*user.session, false);
  return record;
}

::GroupRecord *NewGroupRecord(const GroupData &group) noexcept {
  auto *record = NewRecord<::GroupRecord>();
  if (record == nullptr) return nullptr;
  if (group.nameOrId) record->nameOrId = ResultText(*group.nameOrId);
  record->status = SharedStatus(group.status);
  record->userCount = FillTexts(record->users, group.users);
  record->aclCount = FillTexts(record->acls, group.acls);
  if (group.session) record->session = NewSessionRecord(*group.session, false);
  return record;
}

::AclRecord *NewAclRecord(const AclData &acl) noexcept {
  auto *record = NewRecord<::AclRecord>();
  if (record == nullptr) return nullptr;
  record->status = SharedStatus(acl.status);
  if (acl.id) record->id = ResultText(*acl.id);
  if (acl.session) record->session = NewSessionRecord(*acl.session, false);
  const auto n = static_cast<int32_t>(std::min<std::size_t>(acl.aces.size(), kCapacity));
  for (int32_t i = 0; i < n; ++i) {
    auto *ace = NewRecord<::AceRecord>();
    if (ace == nullptr) break;
    ace->access = ResultText(acl.aces[i].access);
    ace->text = ResultText(acl.aces[i].text);
    record->aces[i] = ace;
    record->aceCount = i + 1;
  }
  record->groupCount = FillTexts(record->groups, acl.groups);
  return record;
}

}  // namespace custor
