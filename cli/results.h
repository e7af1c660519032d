// Release of what the library returns, as custor.h assigns ownership: every text and record is the
// caller's, but for the status text of a returned list or object record, which is never freed.
#ifndef CUSTOR_CLI_RESULTS_H_
#define CUSTOR_CLI_RESULTS_H_

#include <memory>
#include <string>
#include <vector>

#include "custor/custor.h"

namespace custor::cli {

void Release(char *text);
void Release(SessionRecord *session);  // from createSession: id, key, status and the record
void Release(TransactionOutcome *outcome);
void Release(NameList *list);
void Release(UserDataList *list);
void Release(UserRecord *user);
void Release(GroupRecord *group);
void Release(AclRecord *acl);

struct Releaser {
  template <typename Result>
  void operator()(Result *result) const {
    Release(result);
  }
};
template <typename Result>
using Owned = std::unique_ptr<Result, Releaser>;

// A returned text as std::string; null reads as "".
std::string Text(const char *text);

// The first `count` texts of a returned array; a count outside 0..CUSTOR_CAPACITY is cut to it.
std::vector<std::string> Texts(char *const *texts, int32_t count);
int32_t Bounded(int32_t count);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_RESULTS_H_
