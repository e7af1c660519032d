// Every exported function with no server to talk to: the agent's request service finds nothing on the
// port, and each function answers its failure text (or the record form of it) at once.
#include <chrono>
#include <cstdlib>
#include <string>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

// The readers without a session hand the failure text of the missing reply on; operations that open a
// session report the failed connect, or the message of the step that found nothing to work on.
constexpr const char *kFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
constexpr const char *kParseErr = "VRX@DLL PARSE_ERR ";
constexpr const char *kNoGroup = "KIVAAE0390 Group does not exist ";
constexpr const char *kNoSession = "KIVAAE0370 Server session could not be opened or continued ";
constexpr const char *kDb = "db1";

class NoServer : public ::testing::Test {
 protected:
  // Port 1 of the loopback: privileged and, on a test machine, served by nothing.
  static void SetUpTestSuite() { setenv("CUSTOR_PORT", "1", 1); }
};

// Each operation as it reports its outcome, the result text or the status of its record, named by its
// own source text.
struct Case {
  const char *call_text, *answer;
  std::string (*call)(Inputs &in);
};
// clang-format off
#define CASE(answer, expression) \
  Case{#expression, answer, []([[maybe_unused]] Inputs &in) { return std::string(expression); }}
// clang-format on

// A session to end; the end operations read only the disconnect reply, and there is none.
SessionRecord given{Mut("7"), Mut("00112233aabbccdd"), Mut("0")};
std::string CodeAndMessage(TransactionOutcome *outcome) {
  return std::string(cli::Owned<TransactionOutcome>(outcome)->code) + "|" + outcome->message;
}

const Case kCases[] = {
    CASE(kParseErr, StatusOf(createSession(0, kDb, 0, 0))),
    CASE("", Take(endTransaction(&given, 0, kDb, 0, 0, 0))),
    CASE("kivcode not supported|", CodeAndMessage(endTransactionNew(&given, 0, kDb, 0, 0, 1))),
    CASE(kFailed, StatusOf(getUsers(0, kDb, 0, 0))),
    CASE(kFailed, StatusOf(getGroups(0, kDb, 0, 0))),
    CASE(kFailed, StatusOf(getACLs(0, kDb, 0, 0))),
    CASE(kFailed, StatusOf(getUserData(0, kDb, 0, 0))),
    CASE(kParseErr, StatusOf(getDetailsForUser(0, kDb, "ann", 0, 0))),
    CASE(kFailed, StatusOf(getDetailsForUser_RO(0, kDb, "ann", 0, 0))),
    CASE(kParseErr, StatusOf(getDataForGroup(0, kDb, "G1", 0, 0))),
    CASE(kFailed, StatusOf(getDataForGroup_RO(0, kDb, "G1", 0, 0))),
    CASE(kParseErr, StatusOf(getDataForACL(0, kDb, "docs", 0, 0))),
    CASE(kFailed, StatusOf(getDataForACL_RO(0, kDb, "docs", 0, 0))),
    CASE(kParseErr, Take(createUser(0, kDb, "<n/>", "ann", &in.groups, 0, 0))),
    CASE(kNoGroup, Take(createUser_BAT(0, kDb, "<n/>", "ann", &in.groups, 0, 0))),
    CASE(kParseErr, Take(createACL(0, kDb, "docs", &in.groups, &in.acl, 0, 0))),
    CASE(kNoGroup, Take(createACL_BAT(0, kDb, "docs", &in.groups, &in.acl, 0, 0))),
    CASE(kParseErr, Take(createGroup(0, kDb, &in.group, 0, 0))),
    CASE(kParseErr, Take(createGroup_BAT(0, kDb, &in.group, 0, 0))),
    CASE(kNoSession, Take(deleteUser(0, kDb, "ann", 0, 0))),
    CASE(kNoSession, Take(deleteACL(0, kDb, "docs", 0, 0))),
    CASE(kParseErr, Take(deleteGroup(0, kDb, "G1", 0, 0))),
    CASE(kParseErr, Take(modifyUser(0, kDb, "ann", "<n/>", "anna", &in.groups, 0, 0))),
    CASE(kNoGroup, Take(modifyUser_BAT(0, kDb, "ann", "<n/>", "anna", &in.groups, 0, 0))),
    CASE(kParseErr, Take(modifyGroup(0, kDb, "G1", &in.group, 0, 0))),
    CASE(kNoGroup, Take(modifyGroup_BAT(0, kDb, "G1", &in.group, 0, 0))),
    CASE("VRX@DLL PARSE_ERR", Take(modifyACL(0, kDb, "docs", "docs2", &in.groups, &in.acl, 0, 0))),
    CASE(kNoGroup, Take(modifyACL_BAT(0, kDb, "docs", "docs2", &in.groups, &in.acl, 0, 0))),
    CASE("KIVXHE8201 ACL to be extended could not be read ",
         Take(addACE(0, kDb, "docs", "staff", "read", 0, 0))),
};
#undef CASE

TEST_F(NoServer, EveryOperationThatNeedsTheServerReportsTheMissingReplyAtOnce) {
  for (const Case &c : kCases) {
    Inputs in;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.call(in), c.answer) << c.call_text;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.call_text << " waited";
  }
}

}  // namespace
}  // namespace custor::e2e
