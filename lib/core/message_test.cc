#include "core/message.h"

#include "agent/fixture.h"

namespace custor {
namespace {

TEST(MessageText, CodeTextAndOneBlankOrTheBareCode) {
  testing::TestAgent &agent = testing::TestAgent::Get();
  agent.Reset();
  EXPECT_EQ(MessageText("KIVAAE0390"), "KIVAAE0390");
  agent.SetMessage("KIVAAE0390", "Missing");
  EXPECT_EQ(MessageText("KIVAAE0390"), "KIVAAE0390Missing ");
  agent.SetMessage("KIVAAE0390", " Group does not exist");
  EXPECT_EQ(MessageText("KIVAAE0390"), "KIVAAE0390 Group does not exist ");
}

}  // namespace
}  // namespace custor
