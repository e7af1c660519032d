#include "core/session.h"

#include <cstdlib>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

using testing::Connected;
using ::testing::ElementsAre;
using testing::Identity;
using testing::Ok;

class SessionTest : public testing::AgentTest {};

TEST_F(SessionTest, CreateSessionReadsIdAndKey) {
  const std::string long_key(300, 'k');
  agent().Queue(Connected({"12", long_key}));
  const Session session = createSession(db1());
  EXPECT_EQ(session.sessionId, "12");
  EXPECT_EQ(session.sessionKey, long_key);
  EXPECT_EQ(session.status, "0");
  EXPECT_THAT(agent().commands(), ElementsAre("_connect=*"));
}

TEST_F(SessionTest, CreateSessionFailures) {
  struct Case {
    const char *name;
    testing::Reply reply;
    Session expected;
  };
  const Case cases[] = {
      {"refused",
       testing::Failure("KIVXSE0031", "Too many sessions"),
       {"0", "0", "KIVXSE0031 Too many sessions"}},
      {"no reply", testing::Reply{}, {"0", "0", "VRX@DLL PARSE_ERR "}},
      {"success without identity", Ok("Session opened"), {"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "0"}},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    const Session session = createSession(db1());
    EXPECT_EQ(session.sessionId, c.expected.sessionId) << c.name;
    EXPECT_EQ(session.sessionKey, c.expected.sessionKey) << c.name;
    EXPECT_EQ(session.status, c.expected.status) << c.name;
  }
}

TEST_F(SessionTest, ParseSessionReplyIgnoresTheReturnValue) {
  const Session errored = ParseSessionReply(testing::Failure("KIVXLE0060", "locked", Identity{"4", "k4"}));
  EXPECT_EQ(errored.sessionId, "4");
  EXPECT_EQ(errored.sessionKey, "k4");
  EXPECT_EQ(errored.status, "0");
  const Session none = ParseSessionReply(Ok("Session closed"));
  EXPECT_EQ(none.sessionId, "VRX@DLL PARSE_ERR");
  EXPECT_EQ(none.status, "VRX@DLL PARSE_ERR");
}

TEST_F(SessionTest, EndTransactionDisconnectsWithTheIdentityOfTheEndReply) {
  struct Case {
    int mode;
    const char *verb;
    const char *line;
  };
  for (const Case c :
       {Case{0, "_commit", "Transaction committed"}, Case{1, "_rollback", "Transaction rolled back"}}) {
    agent().Reset();
    agent().Queue({Ok(c.line, Identity{"5", "k2"}), Ok("Session closed")});
    const Session given{"5", "k1", "0"};
    EXPECT_EQ(endTransaction(&given, db1(), c.mode), "Session closed");
    EXPECT_THAT(agent().commands(), ElementsAre(std::string(c.verb) + "=*&_sessionid=5&_sessionkey=k1",
                                                "_disconnect=*&_sessionid=5&_sessionkey=k2"));
  }
}

TEST_F(SessionTest, EndTransactionAfterAnEndReplyWithoutIdentity) {
  agent().Queue({testing::Failure("KIVXSE0030", "Invalid session"), testing::Reply{}});
  const Session given{"5", "stale", "0"};
  EXPECT_EQ(endTransaction(&given, db1(), 0), "");
  EXPECT_THAT(agent().commands(),
              ElementsAre("_commit=*&_sessionid=5&_sessionkey=stale",
                          "_disconnect=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=VRX@DLL PARSE_ERR"));
}

TEST_F(SessionTest, InvalidSessionSendsNothing) {
  const Session given{"5", "k", "0"};
  EXPECT_EQ(endTransaction(nullptr, db1(), 0), "Invalid Session");
  EXPECT_EQ(endTransaction(&given, db1(), 2), "Invalid Session");
  const TransactionEnd end = endTransactionNew(&given, db1(), -1);
  EXPECT_EQ(end.code, "kivcode not supported");
  EXPECT_EQ(end.message, "Invalid Session");
  EXPECT_EQ(endTransactionNew(nullptr, db1(), 0).message, "Invalid Session");
  EXPECT_TRUE(agent().requests().empty());
}

TEST_F(SessionTest, EndTransactionNewRollsBack) {
  agent().Queue({Ok("Transaction rolled back", Identity{"9", "b"}), Ok("Session closed")});
  const Session given{"9", "a", "0"};
  const TransactionEnd end = endTransactionNew(&given, db1(), 1);
  EXPECT_EQ(end.code, "kivcode not supported");
  EXPECT_EQ(end.message, "Session closed");
  EXPECT_THAT(agent().commands(), ElementsAre("_rollback=*&_sessionid=9&_sessionkey=a",
                                              "_disconnect=*&_sessionid=9&_sessionkey=b"));
}

TEST_F(SessionTest, ExportedSessionFunctions) {
  agent().Queue(
      {Connected({"31", "abc"}), Ok("Transaction committed", Identity{"31", "def"}), Ok("Session closed")});
  SessionRecord *session = ::createSession(1, "db1", 2, 3);
  ASSERT_NE(session, nullptr);
  EXPECT_STREQ(session->sessionId, "31");
  EXPECT_STREQ(session->sessionKey, "abc");
  EXPECT_STREQ(session->status, "0");
  TransactionOutcome *outcome = ::endTransactionNew(session, 1, "db1", 2, 3, 0);
  EXPECT_STREQ(outcome->code, "kivcode not supported");
  EXPECT_STREQ(outcome->message, "Session closed");
  EXPECT_THAT(agent().commands(), ElementsAre("_connect=*", "_commit=*&_sessionid=31&_sessionkey=abc",
                                              "_disconnect=*&_sessionid=31&_sessionkey=def"));
  char *invalid = ::endTransaction(nullptr, 1, "db1", 2, 3, 0);
  EXPECT_STREQ(invalid, "Invalid Session");
  std::free(invalid);
  std::free(outcome->code);
  std::free(outcome->message);
  std::free(outcome);
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session->status);
  std::free(session);
}

}  // namespace
}  // namespace custor
