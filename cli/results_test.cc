// Release of returned records, and the reading of their text arrays. Every record shape is released
// after real library calls by the end-to-end tests; what those cannot show is a field the library never
// sets. Under the sanitizers a text freed that the caller does not own, or one left behind, fails.
#include "cli/results.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace custor::cli {
namespace {

char kShared[] = "0";  // as the library's shared status texts: never freed by the caller

TEST(Release, LeavesWhatTheCallerDoesNotOwn) {
  auto *user = static_cast<UserRecord *>(std::calloc(1, sizeof(UserRecord)));
  user->status = kShared;
  user->reserved = reinterpret_cast<char *>(0x1);  // never set by the library: must not be touched
  user->groupCount = 1;
  user->groups[0] = strdup("g");
  user->session = static_cast<SessionRecord *>(std::calloc(1, sizeof(SessionRecord)));
  user->session->sessionId = strdup("17");
  user->session->sessionKey = strdup("00ff00ff00ff00ff");
  user->session->status = kShared;
  Release(user);
}

TEST(Texts, ReadsNoMoreThanTheCountAllows) {
  char x[] = "x", z[] = "z";
  char *texts[3] = {x, nullptr, z};
  EXPECT_EQ(Texts(texts, 3), (std::vector<std::string>{"x", "", "z"}));
  EXPECT_TRUE(Texts(texts, -5).empty());
  EXPECT_EQ(Bounded(CUSTOR_CAPACITY + 1), CUSTOR_CAPACITY);
}

}  // namespace
}  // namespace custor::cli
