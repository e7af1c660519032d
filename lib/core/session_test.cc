#include "core/session.h"

#include "agent/fixture.h"

namespace custor {
namespace {

using testing::ElementsAre;
using testing::Identity;
using testing::Ok;

class SessionTest : public testing::AgentTest {};

TEST_F(SessionTest, CreateSession) {
  const std::string long_key(300, 'k');
  const std::pair<testing::Reply, Session> cases[] = {
      {testing::Connected({"12", long_key}), {"12", long_key, "0"}},
      {testing::Failure("KIVXSE0031", "Too many sessions"), {"0", "0", "KIVXSE0031 Too many sessions"}},
      {testing::Reply{}, {"0", "0", "VRX@DLL PARSE_ERR "}},
      {Ok("Session opened"), {"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "0"}},
  };
  for (const auto &[reply, session] : cases) {
    agent().Reset();
    agent().Queue(reply);
    EXPECT_EQ(createSession(db1()), session);
    EXPECT_THAT(agent().commands(), ElementsAre("_connect=*"));
  }
  // The identity of any reply, whatever its return value.
  EXPECT_EQ(ParseSessionReply(testing::Failure("KIVXLE0060", "locked", Identity{"4", "k4"})),
            (Session{"4", "k4", "0"}));
  EXPECT_EQ(ParseSessionReply(Ok("x")),
            (Session{"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR"}));
}

TEST_F(SessionTest, EndTransactionDisconnectsWithTheIdentityOfTheEndReply) {
  const testing::Step given = testing::Given("5", "k1");
  const std::tuple<int, testing::Script, std::string> cases[] = {
      {0, testing::Talk(given, testing::Commit()), "Session closed"},
      {1, testing::Talk(given, testing::Rollback()), "Session closed"},
      {0,
       testing::Talk(
           given, testing::Send("_commit=*", testing::Refused("KIVXSE0030", "x"), testing::Next::kNoIdentity),
           testing::Unanswered("_disconnect=*")),
       ""},
  };
  const Session session{"5", "k1", "0"};
  for (const auto &[mode, script, message] : cases) {
    for (const bool with_code : {false, true}) {
      Reset();
      const std::vector<std::string> expected = Play(script);
      if (with_code) {
        const TransactionEnd end = endTransactionNew(&session, db1(), mode);
        EXPECT_EQ(end.code, "kivcode not supported");
        EXPECT_EQ(end.message, message);
      } else {
        EXPECT_EQ(endTransaction(&session, db1(), mode), message);
      }
      EXPECT_THAT(agent().commands(), testing::ElementsAreArray(expected));
    }
  }
}

TEST_F(SessionTest, InvalidSessionSendsNothing) {
  const Session given{"5", "k", "0"};
  EXPECT_EQ(endTransaction(nullptr, db1(), 0), "Invalid Session");
  EXPECT_EQ(endTransaction(&given, db1(), 2), "Invalid Session");
  EXPECT_EQ(endTransactionNew(&given, db1(), -1).message, "Invalid Session");
  EXPECT_EQ(endTransactionNew(nullptr, db1(), 0).code, "kivcode not supported");
  EXPECT_EQ(testing::Take(::endTransaction(nullptr, 1, "db1", 2, 3, 0)), "Invalid Session");
  EXPECT_TRUE(agent().requests().empty());
}

}  // namespace
}  // namespace custor
