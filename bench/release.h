// Release of the records the benchmarks get back from the library, as custor.h assigns ownership:
// every text and record is the caller's but for the status text of a list or object record.
#ifndef CUSTOR_BENCH_RELEASE_H_
#define CUSTOR_BENCH_RELEASE_H_

#include <cstdlib>

#include "custor/custor.h"

namespace custor::bench {

inline void ReleaseTexts(char **texts, int32_t count) {
  for (int32_t i = 0; i < count && i < CUSTOR_CAPACITY; ++i) std::free(texts[i]);
}

inline void ReleaseInner(SessionRecord *session) {
  if (session == nullptr) return;
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session);
}

inline void Release(NameList *list) {
  if (list == nullptr) return;
  ReleaseTexts(list->names, list->count);
  std::free(list);
}

inline void Release(UserDataList *list) {
  if (list == nullptr) return;
  ReleaseTexts(list->userIds, list->count);
  ReleaseTexts(list->userData, list->count);
  std::free(list);
}

inline void Release(AclRecord *acl) {
  if (acl == nullptr) return;
  std::free(acl->id);
  for (int32_t i = 0; i < acl->aceCount && i < CUSTOR_CAPACITY; ++i) {
    if (acl->aces[i] == nullptr) continue;
    std::free(acl->aces[i]->access);
    std::free(acl->aces[i]->text);
    std::free(acl->aces[i]->omit);
    std::free(acl->aces[i]);
  }
  ReleaseTexts(acl->groups, acl->groupCount);
  ReleaseInner(acl->session);
  std::free(acl);
}

}  // namespace custor::bench

#endif  // CUSTOR_BENCH_RELEASE_H_
