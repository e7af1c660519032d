// Every exported function with no server to talk to: the agent's request service finds nothing on the
// port, and each function answers its failure text (or the record form of it) at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "cli/results.h"
#include "custor/custor.h"

namespace custor::e2e {
namespace {

using cli::Owned;
using ::testing::StartsWith;

// The readers without a session hand the failure text of the missing reply on; operations that open a
// session report the failed connect, or the message of the step that found nothing to work on.
constexpr const char *kFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
constexpr const char *kParseErr = "VRX@DLL PARSE_ERR ";
constexpr const char *kNoGroup = "KIVAAE0390 Group does not exist ";
constexpr const char *kNoSession = "KIVAAE0370 Server session could not be opened or continued ";

// A loopback port that nothing listens on: bound once to learn a free one, then closed.
int DeadPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
    std::abort();
  }
  close(fd);
  return ntohs(address.sin_port);
}

std::string Take(char *text) { return Owned<char>(text) ? std::string(text) : "(null)"; }
template <typename Record>
std::string StatusOf(Record *record) {
  Owned<Record> owned(record);
  return record != nullptr && record->status != nullptr ? record->status : "(null)";
}

class NoServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("CUSTOR_PORT", std::to_string(DeadPort()).c_str(), 1); }
};

const char *const kDb = "db1";

NameList *TwoGroups() {
  static NameList groups{};
  groups.count = 2;
  groups.names[0] = const_cast<char *>("G1");
  groups.names[1] = const_cast<char *>("G2");
  return &groups;
}
GroupRecord *AGroup() {
  static GroupRecord group{};
  group.nameOrId = const_cast<char *>("G1");
  group.userCount = 1;
  group.users[0] = const_cast<char *>("ann");
  return &group;
}
AclRecord *AnAcl() {
  static AceRecord ace{const_cast<char *>("read"), const_cast<char *>("all"), nullptr};
  static AclRecord acl{};
  acl.aceCount = 1;
  acl.aces[0] = &ace;
  return &acl;
}

// Each operation as it reports its outcome: the result text, or the status of its record.
struct Case {
  const char *name;
  std::string answer;
  std::function<std::string()> call;
};

TEST_F(NoServer, EveryOperationThatNeedsTheServerReportsTheMissingReply) {
  const Case cases[] = {
      {"getUsers", kFailed, [] { return StatusOf(getUsers(0, kDb, 0, 0)); }},
      {"getGroups", kFailed, [] { return StatusOf(getGroups(0, kDb, 0, 0)); }},
      {"getACLs", kFailed, [] { return StatusOf(getACLs(0, kDb, 0, 0)); }},
      {"getUserData", kFailed, [] { return StatusOf(getUserData(0, kDb, 0, 0)); }},
      {"getDetailsForUser", kParseErr, [] { return StatusOf(getDetailsForUser(0, kDb, "ann", 0, 0)); }},
      {"getDetailsForUser_RO", kFailed, [] { return StatusOf(getDetailsForUser_RO(0, kDb, "ann", 0, 0)); }},
      {"getDataForGroup", kParseErr, [] { return StatusOf(getDataForGroup(0, kDb, "G1", 0, 0)); }},
      {"getDataForGroup_RO", kFailed, [] { return StatusOf(getDataForGroup_RO(0, kDb, "G1", 0, 0)); }},
      {"getDataForACL", kParseErr, [] { return StatusOf(getDataForACL(0, kDb, "docs", 0, 0)); }},
      {"getDataForACL_RO", kFailed, [] { return StatusOf(getDataForACL_RO(0, kDb, "docs", 0, 0)); }},
      {"createUser", kParseErr, [] { return Take(createUser(0, kDb, "<n/>", "ann", TwoGroups(), 0, 0)); }},
      {"createUser_BAT", kNoGroup,
       [] { return Take(createUser_BAT(0, kDb, "<n/>", "ann", TwoGroups(), 0, 0)); }},
      {"createACL", kParseErr, [] { return Take(createACL(0, kDb, "docs", TwoGroups(), AnAcl(), 0, 0)); }},
      {"createACL_BAT", kNoGroup,
       [] { return Take(createACL_BAT(0, kDb, "docs", TwoGroups(), AnAcl(), 0, 0)); }},
      {"createGroup", kParseErr, [] { return Take(createGroup(0, kDb, AGroup(), 0, 0)); }},
      {"createGroup_BAT", kParseErr, [] { return Take(createGroup_BAT(0, kDb, AGroup(), 0, 0)); }},
      {"deleteUser", kNoSession, [] { return Take(deleteUser(0, kDb, "ann", 0, 0)); }},
      {"deleteACL", kNoSession, [] { return Take(deleteACL(0, kDb, "docs", 0, 0)); }},
      {"deleteGroup", kParseErr, [] { return Take(deleteGroup(0, kDb, "G1", 0, 0)); }},
      {"modifyUser", kParseErr,
       [] { return Take(modifyUser(0, kDb, "ann", "<n/>", "anna", TwoGroups(), 0, 0)); }},
      {"modifyUser_BAT", kNoGroup,
       [] { return Take(modifyUser_BAT(0, kDb, "ann", "<n/>", "anna", TwoGroups(), 0, 0)); }},
      {"modifyGroup", kParseErr, [] { return Take(modifyGroup(0, kDb, "G1", AGroup(), 0, 0)); }},
      {"modifyGroup_BAT", kNoGroup, [] { return Take(modifyGroup_BAT(0, kDb, "G1", AGroup(), 0, 0)); }},
      {"modifyACL", "VRX@DLL PARSE_ERR",
       [] { return Take(modifyACL(0, kDb, "docs", "docs2", TwoGroups(), AnAcl(), 0, 0)); }},
      {"modifyACL_BAT", kNoGroup,
       [] { return Take(modifyACL_BAT(0, kDb, "docs", "docs2", TwoGroups(), AnAcl(), 0, 0)); }},
      {"addACE", "KIVXHE8201 ACL to be extended could not be read ",
       [] { return Take(addACE(0, kDb, "docs", "staff", "read", 0, 0)); }},
  };
  for (const Case &c : cases) EXPECT_EQ(c.call(), c.answer) << c.name;
}

TEST_F(NoServer, SessionsReportTheMissingRepliesInTheirOwnForms) {
  const SessionRecord given{const_cast<char *>("7"), const_cast<char *>("00112233aabbccdd"),
                            const_cast<char *>("0")};
  SessionRecord *session = createSession(0, kDb, 0, 0);
  EXPECT_THAT(session->status, StartsWith("VRX@DLL PARSE_ERR "));
  EXPECT_STREQ(session->sessionId, "0");
  EXPECT_STREQ(session->sessionKey, "0");
  cli::Release(session);

  // The end operations read only the disconnect reply, and there is none.
  for (int mode : {0, 1}) {
    EXPECT_EQ(Take(endTransaction(const_cast<SessionRecord *>(&given), 0, kDb, 0, 0, mode)), "") << mode;
    Owned<TransactionOutcome> outcome(
        endTransactionNew(const_cast<SessionRecord *>(&given), 0, kDb, 0, 0, mode));
    EXPECT_STREQ(outcome->code, "kivcode not supported");
    EXPECT_STREQ(outcome->message, "") << mode;
  }
}

TEST_F(NoServer, FrameNeedsNoServer) {
  EXPECT_EQ(Take(giveBuild()), "CustorDLL Build: 122");
  EXPECT_EQ(db_isreadonly(kDb), 0);
}

}  // namespace
}  // namespace custor::e2e
