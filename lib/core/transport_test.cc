#include "core/transport.h"

#include "agent/fixture.h"

namespace custor {
namespace {

using ::testing::ElementsAre;

class TransportTest : public testing::AgentTest {};

TEST_F(TransportTest, PathCommandAndConnectionWord) {
  agent().Queue({testing::Ok("a"), testing::Ok("b")});
  ExecuteServerCommand(Call{1, "db1", 11, 2}, "_XQL=/kiv:user [@kiv:userid=\"a b\"]");
  ExecuteServerCommand(Call{1, "", 22, 2}, "_connect=*");
  ASSERT_EQ(agent().requests().size(), 2u);
  EXPECT_EQ(agent().requests()[0].path, "/corvane/db1/kiv:security");
  EXPECT_EQ(agent().requests()[0].command, "_XQL=/kiv:user [@kiv:userid=\"a b\"]");
  EXPECT_EQ(agent().requests()[0].connection, 11u);
  EXPECT_EQ(agent().requests()[1].path, "/corvane//kiv:security");
  EXPECT_EQ(agent().requests()[1].connection, 22u);
}

TEST_F(TransportTest, NoReplyGivesTheFailureTextAndNoFree) {
  agent().Queue(testing::Reply{});
  EXPECT_EQ(ExecuteServerCommand(db1(), "_connect=*"), "VRX@DLL CORVANE_REQUEST_FAILED");
}

TEST_F(TransportTest, ReplyStaysValidAfterTheServiceReleasedIt) {
  agent().Queue({testing::Reply("first reply"), testing::Reply("second")});
  const std::string first = ExecuteServerCommand(db1(), "_connect=*");
  const std::string second = ExecuteServerCommand(db1(), "_connect=*");
  EXPECT_EQ(first, "first reply");
  EXPECT_EQ(second, "second");
  EXPECT_THAT(agent().commands(), ElementsAre("_connect=*", "_connect=*"));
}

}  // namespace
}  // namespace custor
