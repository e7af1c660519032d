#include "queries/arguments.h"

#include <cstdlib>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

TEST(ArgumentCheck, AMissingArgumentIsReportedBeforeABadName) {
  struct Case {
    const char *name;
    const char *first;
    const char *second;
    std::string refusal;
  };
  const Case cases[] = {
      {"both fine", "db1", "alice", ""},
      {"bad name", "db1", "al\"ice", "VRX@DLL INVALID_NAME"},
      {"control byte", "db1", "al\x1fice", "VRX@DLL INVALID_NAME"},
      {"missing text after a bad name", nullptr, "a<b", "VRX@DLL INVALID_ARGUMENT"},
      {"bad name after a missing text", nullptr, "a&b", "VRX@DLL INVALID_ARGUMENT"},
  };
  for (const Case &c : cases) {
    ArgumentCheck check;
    check.Name(c.second).Text(c.first);
    EXPECT_EQ(check.refusal(), c.refusal) << c.name;
    ArgumentCheck reversed;
    reversed.Text(c.first).Name(c.second);
    EXPECT_EQ(reversed.refusal(), c.refusal) << c.name;
  }
}

TEST(ArgumentCheck, OmittedEntriesNeedNotFitADocument) {
  AceRecord kept{const_cast<char *>("read"), const_cast<char *>("a"), const_cast<char *>("0")};
  AceRecord omitted{const_cast<char *>("r\"w"), const_cast<char *>("<b>"), const_cast<char *>("1")};
  auto *acl = static_cast<AclRecord *>(std::calloc(1, sizeof(AclRecord)));
  acl->aceCount = 2;
  acl->aces[0] = &kept;
  acl->aces[1] = &omitted;
  ArgumentCheck check;
  EXPECT_TRUE(check.Acl(acl).has_value());
  EXPECT_TRUE(check.ok());
  acl->aceCount = 2001;
  EXPECT_EQ(ArgumentCheck().Acl(acl), std::nullopt);
  std::free(acl);
}

class NullDatabaseTest : public testing::AgentTest {};

TEST_F(NullDatabaseTest, EveryKindOfResultSaysInvalidArgumentAndNothingIsSent) {
  char *text = ::deleteUser(0, nullptr, "u", 0, 0);
  EXPECT_STREQ(text, "VRX@DLL INVALID_ARGUMENT");
  std::free(text);
  NameList *list = ::getUsers(0, nullptr, 0, 0);
  EXPECT_STREQ(list->status, "VRX@DLL INVALID_ARGUMENT");
  EXPECT_EQ(list->count, 0);
  std::free(list);
  SessionRecord *session = ::createSession(0, nullptr, 0, 0);
  EXPECT_STREQ(session->status, "VRX@DLL INVALID_ARGUMENT");
  char *ended = ::endTransaction(session, 0, nullptr, 0, 0, 0);
  EXPECT_STREQ(ended, "VRX@DLL INVALID_ARGUMENT");
  std::free(ended);
  for (char *t : {session->sessionId, session->sessionKey, session->status}) std::free(t);
  std::free(session);
  EXPECT_TRUE(agent().requests().empty());
}

}  // namespace
}  // namespace custor
