// Releases records shaped as the library returns them. Under the sanitizers a text freed that the
// caller does not own (a status) or one left behind fails the test.
#include "cli/results.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace custor::cli {
namespace {

char kSharedStatus[] = "0";  // as the library's shared status texts: never freed by the caller

char *Dup(const char *text) { return strdup(text); }

template <typename Record>
Record *New() {
  return static_cast<Record *>(std::calloc(1, sizeof(Record)));
}

SessionRecord *InnerSession() {
  auto *session = New<SessionRecord>();
  session->sessionId = Dup("17");
  session->sessionKey = Dup("00ff00ff00ff00ff");
  session->status = kSharedStatus;
  return session;
}

TEST(Release, FreesExactlyWhatTheCallerOwns) {
  auto *names = New<NameList>();
  names->status = kSharedStatus;
  names->count = 2;
  names->names[0] = Dup("a");
  names->names[1] = Dup("b");
  Release(names);

  auto *data = New<UserDataList>();
  data->status = kSharedStatus;
  data->count = 1;
  data->userIds[0] = Dup("u");
  data->userData[0] = Dup("d");
  Release(data);

  auto *user = New<UserRecord>();
  user->status = kSharedStatus;
  user->data = Dup("data");
  user->reserved = reinterpret_cast<char *>(0x1);  // never set by the library: must not be touched
  user->groupCount = 1;
  user->groups[0] = Dup("g");
  user->session = InnerSession();
  Release(user);

  auto *group = New<GroupRecord>();
  group->status = kSharedStatus;
  group->nameOrId = Dup("4");
  group->userCount = 1;
  group->users[0] = Dup("u");
  group->aclCount = 1;
  group->acls[0] = Dup("a");
  group->session = InnerSession();
  Release(group);

  auto *acl = New<AclRecord>();
  acl->status = kSharedStatus;
  acl->id = Dup("9");
  acl->aceCount = 1;
  acl->aces[0] = New<AceRecord>();
  acl->aces[0]->access = Dup("read");
  acl->aces[0]->text = Dup("alice");
  acl->groupCount = 1;
  acl->groups[0] = Dup("g");
  Release(acl);

  auto *session = New<SessionRecord>();  // from createSession: all three texts are the caller's
  session->sessionId = Dup("1");
  session->sessionKey = Dup("k");
  session->status = Dup("0");
  Release(session);

  auto *outcome = New<TransactionOutcome>();
  outcome->code = Dup("kivcode not supported");
  outcome->message = Dup("Session closed");
  Release(outcome);

  Release(static_cast<NameList *>(nullptr));
  Release(static_cast<AclRecord *>(nullptr));
}

TEST(Texts, ReadsNoMoreThanTheCountAllows) {
  char *texts[3] = {Dup("x"), nullptr, Dup("z")};
  EXPECT_EQ(Texts(texts, 3), (std::vector<std::string>{"x", "", "z"}));
  EXPECT_EQ(Texts(texts, 1), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(Texts(texts, -5).empty());
  EXPECT_EQ(Bounded(CUSTOR_CAPACITY + 1), CUSTOR_CAPACITY);
  std::free(texts[0]);
  std::free(texts[2]);
}

}  // namespace
}  // namespace custor::cli
