#include "change/delete_group.h"

#include "agent/fixture.h"

namespace custor {
namespace {

using ::testing::ElementsAre;
using testing::Failure;
using testing::Identity;
using testing::Ok;

class DeleteGroupTest : public testing::AgentTest {};

TEST_F(DeleteGroupTest, AloneSendsOneSessionlessDeleteAndClassifiesTheReply) {
  struct Case {
    const char *name;
    testing::Reply reply;
    std::string result;
  };
  const Case cases[] = {
      {"deleted", Ok("Document deleted"), "0"},
      {"no such group", Failure("KIVXIE8300", "No matching document found"),
       "KIVXIE8300 No matching document found"},
      {"locked", Failure("KIVXLE0060", "Database locked by another session"),
       "KIVXLE0060 Database locked by another session"},
      {"no reply", testing::Reply{}, "VRX@DLL PARSE_ERR "},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    EXPECT_EQ(deleteGroup(db1(), "G1"), c.result) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAre("_delete=kiv:group[@kiv:groupname=\"G1\"]")) << c.name;
  }
}

TEST_F(DeleteGroupTest, AloneHandsBackTheWholeReplyUnclassified) {
  const std::string reply = Failure("KIVXIE8300", "No matching document found");
  agent().Queue(reply);
  const CheckResult result = DeleteGroupDocument(db1(), "G1", nullptr);
  EXPECT_EQ(result.status, reply);
  EXPECT_FALSE(result.session.has_value());
}

TEST_F(DeleteGroupTest, InATransactionHandsBackTheSessionOfTheReplyWhateverItSays) {
  struct Case {
    const char *name;
    testing::Reply reply;
    Session session;
  };
  const Case cases[] = {
      {"deleted", Ok("Document deleted", Identity{"5", "k6"}), {"5", "k6", "0"}},
      {"refused", Failure("KIVXIE8300", "No matching document found", Identity{"5", "k5"}), {"5", "k5", "0"}},
      {"stale key",
       Failure("KIVXSE0030", "Invalid session"),
       {"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR"}},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    const Session given{"5", "k5", "0"};
    const CheckResult result = DeleteGroupDocument(db1(), "Team A", &given);
    EXPECT_EQ(result.status, "") << c.name;
    ASSERT_TRUE(result.session.has_value()) << c.name;
    EXPECT_EQ(result.session->sessionId, c.session.sessionId) << c.name;
    EXPECT_EQ(result.session->sessionKey, c.session.sessionKey) << c.name;
    EXPECT_EQ(result.session->status, c.session.status) << c.name;
    EXPECT_THAT(agent().commands(),
                ElementsAre("_delete=kiv:group[@kiv:groupname=\"Team A\"]&_sessionid=5&_sessionkey=k5"))
        << c.name;
  }
}

TEST_F(DeleteGroupTest, LongNameIsSentWhole) {
  const std::string name(3000, 'g');
  agent().Queue(Ok("Document deleted"));
  EXPECT_EQ(deleteGroup(db1(), name), "0");
  EXPECT_THAT(agent().commands(), ElementsAre("_delete=kiv:group[@kiv:groupname=\"" + name + "\"]"));
}

}  // namespace
}  // namespace custor
