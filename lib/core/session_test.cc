#include "core/session.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class SessionTest : public AgentTest {};

TEST_F(SessionTest, CreateSessionAndTheIdentityOfAReply) {
  const std::string long_key(300, 'k');
  const std::pair<Reply, std::string> cases[] = {
      {Connected({"12", long_key}), "12/" + long_key + "/0"},
      {Failure("KIVXSE0031", "Too many sessions"), "0/0/KIVXSE0031 Too many sessions"},
      {Reply{}, "0/0/VRX@DLL PARSE_ERR "},
      {Ok("Session opened"), kLost + "/" + kLost + "/0"},
  };
  for (const auto &[reply, session] : cases) {
    Expect(Talk(Plain("_connect=*", reply)), session, [] { return Describe(createSession(db1())); });
  }
  // The identity of any reply, whatever its return value.
  EXPECT_EQ(Describe(ParseSessionReply(Failure("KIVXLE0060", "locked", Identity{"4", "k4"}))), "4/k4/0");
  EXPECT_EQ(Describe(ParseSessionReply(Ok("x"))), kLost + "/" + kLost + "/" + kLost);
}

TEST_F(SessionTest, EndTransactionDisconnectsWithTheIdentityOfTheEndReply) {
  const Step given = Given("5", "k1");
  const std::tuple<int, Script, std::string> cases[] = {
      {0, Talk(given, Commit()), "Session closed"},
      {1, Talk(given, Rollback()), "Session closed"},
      {0, Talk(given, SessionGone("_commit=*"), Unanswered("_disconnect=*")), ""},
  };
  const Session session{"5", "k1", "0"};
  for (const auto &[mode, script, message] : cases) {
    Expect(script, message, [&, mode = mode] { return endTransaction(&session, db1(), mode); });
    Expect(script, "kivcode not supported|" + message, [&, mode = mode] {
      const TransactionEnd end = endTransactionNew(&session, db1(), mode);
      return end.code + "|" + end.message;
    });
  }
  // A null session or another mode sends nothing.
  Expect(Talk(), "Invalid Session", [&] { return endTransaction(&session, db1(), 2); });
  Expect(Talk(), "Invalid Session", [&] { return endTransactionNew(&session, db1(), -1).message; });
  Expect(Talk(), "Invalid Session", [] { return endTransaction(nullptr, db1(), 0); });
  Expect(Talk(), "kivcode not supported|Invalid Session", [] {
    const TransactionEnd end = endTransactionNew(nullptr, db1(), 0);
    return end.code + "|" + end.message;
  });
  Expect(Talk(), "Invalid Session", [] { return Take(::endTransaction(nullptr, 1, "db1", 2, 3, 0)); });
}

}  // namespace
}  // namespace custor::testing
