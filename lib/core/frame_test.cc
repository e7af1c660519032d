#include "core/frame.h"

#include "agent/fixture.h"

namespace custor {
namespace {

class FrameTest : public testing::AgentTest {};

TEST_F(FrameTest, BuildAndReadOnlyFlag) {
  EXPECT_EQ(testing::Take(::giveBuild()), "CustorDLL Build: 122");
  struct Case {
    uint16_t storage_status;
    const char *database;
    const char *yes_text;  // the catalogue's text for "yes"
    int32_t expected;
    int parameter_calls;
  };
  const Case cases[] = {{0, "ro", "yes", 1, 1},
                        {0, "rw", "yes", 0, 1},
                        {0, "ro", "ja", 0, 1},
                        {0, "nowhere", "yes", 0, 1},
                        {3, "ro", "yes", -1, 0}};
  for (const Case &c : cases) {
    agent().Reset();
    auto &services = agent().readonly_services();
    services.storage_status = c.storage_status;
    services.readonly = {{"ro", 7}, {"rw", 0}};
    services.catalogue["yes"] = c.yes_text;
    EXPECT_EQ(::db_isreadonly(c.database), c.expected) << c.database << " " << c.yes_text;
    EXPECT_EQ(services.parameter_calls, c.parameter_calls) << c.database;
    EXPECT_EQ(services.blocks_out, 0) << c.database << ": the working block goes back";
  }
  EXPECT_EQ(::db_isreadonly(nullptr), 0);
}

}  // namespace
}  // namespace custor
