#include "abi/answers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "core/text.h"

namespace custor {
namespace {

constexpr std::string_view kNoKivCode = "kivcode not supported";

// calloc of one record; null when the heap is exhausted.
template <typename Record>
Record *NewRecord() noexcept {
  return static_cast<Record *>(std::calloc(1, sizeof(Record)));
}

// Fills `slots` with copies of the first kCapacity texts; returns how many were filled.
int32_t FillTexts(char **slots, const std::vector<std::string> &texts) noexcept {
  const auto n = static_cast<int32_t>(std::min<std::size_t>(texts.size(), kCapacity));
  for (int32_t i = 0; i < n; ++i) slots[i] = ResultText(texts[i]);
  return n;
}

// A SessionRecord inside a returned record: id and key are the caller's, the status is shared.
::SessionRecord *NewInnerSession(const Session &session) noexcept {
  auto *record = NewRecord<::SessionRecord>();
  if (record == nullptr) return nullptr;
  record->sessionId = ResultText(session.sessionId);
  record->sessionKey = ResultText(session.sessionKey);
  record->status = SharedStatus(session.status);
  return record;
}

::SessionRecord *NewOwnSession(std::string_view id, std::string_view key, std::string_view status) noexcept {
  auto *record = NewRecord<::SessionRecord>();
  if (record == nullptr) return nullptr;
  record->sessionId = ResultText(id);
  record->sessionKey = ResultText(key);
  record->status = ResultText(status);
  return record;
}

}  // namespace

char *ResultText(std::string_view text) noexcept {
  auto *copy = static_cast<char *>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

char *SharedStatus(std::string_view text) noexcept {
  // Released when the library is unloaded, so a loaded-and-unloaded library leaves nothing behind.
  static std::unordered_set<std::string> statuses;
  try {
    return const_cast<char *>(statuses.emplace(text).first->c_str());
  } catch (...) {
    static char out_of_memory[] = "VRX@DLL OUT_OF_MEMORY";
    return out_of_memory;
  }
}

::SessionRecord *Returned<::SessionRecord *>::Of(const Session &session) noexcept {
  return NewOwnSession(session.sessionId, session.sessionKey, session.status);
}

::SessionRecord *Returned<::SessionRecord *>::Refused(std::string_view text) noexcept {
  return NewOwnSession("0", "0", text);
}

::TransactionOutcome *Returned<::TransactionOutcome *>::Refused(std::string_view message) noexcept {
  auto *outcome = NewRecord<::TransactionOutcome>();
  if (outcome == nullptr) return nullptr;
  outcome->code = ResultText(kNoKivCode);
  outcome->message = ResultText(message);
  return outcome;
}

template <typename Record>
Record *RecordReturned<Record>::Refused(std::string_view text) noexcept {
  auto *record = NewRecord<Record>();
  if (record != nullptr) record->status = SharedStatus(text);
  return record;
}
template struct RecordReturned<::NameList>;
template struct RecordReturned<::UserDataList>;
template struct RecordReturned<::UserRecord>;
template struct RecordReturned<::GroupRecord>;
template struct RecordReturned<::AclRecord>;

::NameList *Returned<::NameList *>::Of(const Names &names) noexcept {
  auto *list = Refused(TextOf(names.status));
  if (list != nullptr) list->count = FillTexts(list->names, names.names);
  return list;
}

::UserDataList *Returned<::UserDataList *>::Of(const UserDataTable &table) noexcept {
  auto *list = Refused(TextOf(table.status));
  if (list == nullptr) return nullptr;
  list->count = FillTexts(list->userIds, table.userIds);
  FillTexts(list->userData, table.userData);
  return list;
}

::UserRecord *Returned<::UserRecord *>::Of(const UserDetails &user) noexcept {
  auto *record = Refused(TextOf(user.status));
  if (record == nullptr) return nullptr;
  if (user.data) record->data = ResultText(*user.data);
  record->groupCount = FillTexts(record->groups, user.groups);
  if (user.session) record->session = NewInnerSession(*user.session);
  return record;
}

::GroupRecord *Returned<::GroupRecord *>::Of(const GroupData &group) noexcept {
  auto *record = NewRecord<::GroupRecord>();
  if (record == nullptr) return nullptr;
  if (group.nameOrId) record->nameOrId = ResultText(*group.nameOrId);
  record->status = SharedStatus(TextOf(group.status));
  record->userCount = FillTexts(record->users, group.users);
  record->aclCount = FillTexts(record->acls, group.acls);
  if (group.session) record->session = NewInnerSession(*group.session);
  return record;
}

::AclRecord *Returned<::AclRecord *>::Of(const AclData &acl) noexcept {
  auto *record = Refused(TextOf(acl.status));
  if (record == nullptr) return nullptr;
  if (acl.id) record->id = ResultText(*acl.id);
  if (acl.session) record->session = NewInnerSession(*acl.session);
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
