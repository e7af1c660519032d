#include "core/message.h"

#include "agent/fixture.h"

namespace custor {
namespace {

class MessageTest : public testing::AgentTest {};

TEST_F(MessageTest, CodeTextAndOneBlank) {
  EXPECT_EQ(MessageText("KIVAAE0390"), "KIVAAE0390") << "no table entry: the bare code";
  agent().SetMessage("KIVAAE0390", "Missing");
  EXPECT_EQ(MessageText("KIVAAE0390"), "KIVAAE0390Missing ");
  agent().SetMessage("KIVAAE0390", " Group does not exist");
  const std::string code = "KIVAAE0390";
  EXPECT_EQ(MessageText(code), "KIVAAE0390 Group does not exist ");
  EXPECT_EQ(MessageText(code), MessageText(code));
  EXPECT_EQ(code, "KIVAAE0390");
}

}  // namespace
}  // namespace custor
