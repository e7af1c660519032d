#include "cli/results.h"

#include <algorithm>

#include "custor/release.h"

namespace custor::cli {

int32_t Bounded(int32_t count) { return std::clamp<int32_t>(count, 0, CUSTOR_CAPACITY); }

std::string Text(const char *text) { return text != nullptr ? std::string(text) : std::string(); }

std::vector<std::string> Texts(char *const *texts, int32_t count) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(Bounded(count)));
  for (int32_t i = 0; i < Bounded(count); ++i) out.push_back(Text(texts[i]));
  return out;
}

void Release(char *text) { custor_free_text(text); }
void Release(SessionRecord *session) { custor_free_session(session); }
void Release(TransactionOutcome *outcome) { custor_free_outcome(outcome); }
void Release(NameList *list) { custor_free_name_list(list); }
void Release(UserDataList *list) { custor_free_user_data_list(list); }
void Release(UserRecord *user) { custor_free_user(user); }
void Release(GroupRecord *group) { custor_free_group(group); }
void Release(AclRecord *acl) { custor_free_acl(acl); }

}  // namespace custor::cli
