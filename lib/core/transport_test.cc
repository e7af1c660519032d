#include "core/transport.h"

#include "agent/fixture.h"

namespace custor {
namespace {

class TransportTest : public testing::AgentTest {};

TEST_F(TransportTest, PathCommandConnectionWordAndReplyCopies) {
  agent().Queue({testing::Reply("first reply"), testing::Reply{}, testing::Reply("third")});
  const std::string first =
      ExecuteServerCommand(Call{1, "db1", 11, 2}, "_XQL=/kiv:user [@kiv:userid=\"a b\"]");
  EXPECT_EQ(ExecuteServerCommand(Call{1, "", 22, 2}, "_connect=*"), "VRX@DLL CORVANE_REQUEST_FAILED");
  // The agent scribbles over a freed reply, so a copy kept by reference would change here.
  EXPECT_EQ(ExecuteServerCommand(db1(), "x"), "third");
  EXPECT_EQ(first, "first reply");
  ASSERT_EQ(agent().requests().size(), 3u);
  EXPECT_EQ(agent().requests()[0].path, "/corvane/db1/kiv:security");
  EXPECT_EQ(agent().requests()[0].command, "_XQL=/kiv:user [@kiv:userid=\"a b\"]");
  EXPECT_EQ(agent().requests()[0].connection, 11u);
  EXPECT_EQ(agent().requests()[1].path, "/corvane//kiv:security");
  EXPECT_EQ(agent().requests()[1].connection, 22u);
}

}  // namespace
}  // namespace custor
