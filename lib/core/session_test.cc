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
    Expect(Talk(Plain("_connect=*", reply)), session, [] { return Describe(OpenSession(db1())); });
  }
  // The identity of any reply, whatever its return value.
  EXPECT_EQ(Describe(ParseSessionReply(Failure("KIVXLE0060", "locked", Identity{"4", "k4"}))), "4/k4/0");
  EXPECT_EQ(Describe(ParseSessionReply(Ok("x"))), kLost + "/" + kLost + "/" + kLost);
}

TEST_F(SessionTest, EndSessionDisconnectsWithTheIdentityOfTheEndReply) {
  const Step given = Given("5", "k1");
  const std::tuple<custor::End, Script, std::string> cases[] = {
      {custor::End::kCommit, Talk(given, Commit()), "Session closed"},
      {custor::End::kRollback, Talk(given, Rollback()), "Session closed"},
      {custor::End::kCommit, Talk(given, SessionGone("_commit=*"), Unanswered("_disconnect=*")), ""},
  };
  const Session session{"5", "k1", "0"};
  for (const auto &[end, script, message] : cases) {
    Expect(script, message, [&, end = end] { return EndSession(session, db1(), end); });
  }
}

}  // namespace
}  // namespace custor::testing
