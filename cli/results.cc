#include "cli/results.h"

#include <algorithm>
#include <cstdlib>

namespace custor::cli {
namespace {

void FreeTexts(char **texts, int32_t count) {
  for (int32_t i = 0; i < Bounded(count); ++i) std::free(texts[i]);
}

// A SessionRecord inside a returned record: its id and key are the caller's, its status is not.
void ReleaseInner(SessionRecord *session) {
  if (session == nullptr) return;
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session);
}

}  // namespace

int32_t Bounded(int32_t count) { return std::clamp<int32_t>(count, 0, CUSTOR_CAPACITY); }

std::string Text(const char *text) { return text != nullptr ? std::string(text) : std::string(); }

std::vector<std::string> Texts(char *const *texts, int32_t count) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(Bounded(count)));
  for (int32_t i = 0; i < Bounded(count); ++i) out.push_back(Text(texts[i]));
  return out;
}

void Release(char *text) { std::free(text); }

void Release(SessionRecord *session) {
  if (session == nullptr) return;
  std::free(session->status);
  ReleaseInner(session);
}

void Release(TransactionOutcome *outcome) {
  if (outcome == nullptr) return;
  std::free(outcome->code);
  std::free(outcome->message);
  std::free(outcome);
}

void Release(NameList *list) {
  if (list == nullptr) return;
  FreeTexts(list->names, list->count);
  std::free(list);
}

void Release(UserDataList *list) {
  if (list == nullptr) return;
  FreeTexts(list->userIds, list->count);
  FreeTexts(list->userData, list->count);
  std::free(list);
}

void Release(UserRecord *user) {
  if (user == nullptr) return;
  std::free(user->data);  // `reserved` is never set, so it is not touched
  FreeTexts(user->groups, user->groupCount);
  ReleaseInner(user->session);
  std::free(user);
}

void Release(GroupRecord *group) {
  if (group == nullptr) return;
  std::free(group->nameOrId);
  FreeTexts(group->users, group->userCount);
  FreeTexts(group->acls, group->aclCount);
  ReleaseInner(group->session);
  std::free(group);
}

void Release(AclRecord *acl) {
  if (acl == nullptr) return;
  std::free(acl->id);
  for (int32_t i = 0; i < Bounded(acl->aceCount); ++i) {
    if (acl->aces[i] == nullptr) continue;
    std::free(acl->aces[i]->access);
    std::free(acl->aces[i]->text);
    std::free(acl->aces[i]->omit);
    std::free(acl->aces[i]);
  }
  FreeTexts(acl->groups, acl->groupCount);
  ReleaseInner(acl->session);
  std::free(acl);
}

}  // namespace custor::cli
