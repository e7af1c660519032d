#include "abi/answers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
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

// The shared status of the session inside a returned record, made before the record.
char *SessionStatus(const std::optional<Session> &session) {
  return session ? SharedStatus(session->status) : nullptr;
}

// A SessionRecord inside a returned record: id and key are the caller's, the status (`status`, from
// SessionStatus) is shared.
::SessionRecord *NewInnerSession(const std::optional<Session> &session, char *status) noexcept {
  if (!session) return nullptr;
  auto *record = NewRecord<::SessionRecord>();
  if (record == nullptr) return nullptr;
  record->sessionId = ResultText(session->sessionId);
  record->sessionKey = ResultText(session->sessionKey);
  record->status = status;
  return record;
}

// A record of the readers with its status.
template <typename Record>
Record *NewStatusRecord(char *status) noexcept {
  auto *record = NewRecord<Record>();
  if (record != nullptr) record->status = status;
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

char *SharedStatus(std::string_view text) {
  // Released when the library is unloaded, so a loaded-and-unloaded library leaves nothing behind.
  static std::unordered_set<std::string> statuses;
  return const_cast<char *>(statuses.emplace(text).first->c_str());
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
  try {
    return NewStatusRecord<Record>(SharedStatus(text));
  } catch (const std::bad_alloc &) {
    // Not even the shared copy of the answer could be made.
    static char out_of_memory[] = "VRX@DLL OUT_OF_MEMORY";
    return NewStatusRecord<Record>(out_of_memory);
  }
}
template struct RecordReturned<::NameList>;
template struct RecordReturned<::UserDataList>;
template struct RecordReturned<::UserRecord>;
template struct RecordReturned<::GroupRecord>;
template struct RecordReturned<::AclRecord>;

::NameList *Returned<::NameList *>::Of(const Names &names) {
  auto *list = NewStatusRecord<::NameList>(SharedStatus(TextOf(names.status)));
  if (list != nullptr) list->count = FillTexts(list->names, names.names);
  return list;
}

::UserDataList *Returned<::UserDataList *>::Of(const UserDataTable &table) {
  auto *list = NewStatusRecord<::UserDataList>(SharedStatus(TextOf(table.status)));
  if (list == nullptr) return nullptr;
  list->count = FillTexts(list->userIds, table.userIds);
  FillTexts(list->userData, table.userData);
  return list;
}

::UserRecord *Returned<::UserRecord *>::Of(const UserDetails &user) {
  char *session_status = SessionStatus(user.session);
  auto *record = NewStatusRecord<::UserRecord>(SharedStatus(TextOf(user.status)));
  if (record == nullptr) return nullptr;
  if (user.data) record->data = ResultText(*user.data);
  record->groupCount = FillTexts(record->groups, user.groups);
  record->session = NewInnerSession(user.session, session_status);
  return record;
}

::GroupRecord *Returned<::GroupRecord *>::Of(const GroupData &group) {
  char *session_status = SessionStatus(group.session);
  auto *record = NewStatusRecord<::GroupRecord>(SharedStatus(TextOf(group.status)));
  if (record == nullptr) return nullptr;
  if (group.nameOrId) record->nameOrId = ResultText(*group.nameOrId);
  record->userCount = FillTexts(record->users, group.users);
  record->aclCount = FillTexts(record->acls, group.acls);
  record->session = NewInnerSession(group.session, session_status);
  return record;
}

::AclRecord *Returned<::AclRecord *>::Of(const AclData &acl) {
  char *session_status = SessionStatus(acl.session);
  auto *record = NewStatusRecord<::AclRecord>(SharedStatus(TextOf(acl.status)));
  if (record == nullptr) return nullptr;
  if (acl.id) record->id = ResultText(*acl.id);
  record->session = NewInnerSession(acl.session, session_status);
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
