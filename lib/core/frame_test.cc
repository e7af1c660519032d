#include "core/frame.h"

#include <cstdlib>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

class FrameTest : public testing::AgentTest {};

TEST_F(FrameTest, GiveBuild) {
  char *build = ::giveBuild();
  EXPECT_STREQ(build, "CustorDLL Build: 122");
  std::free(build);
}

TEST_F(FrameTest, ReadOnlyFlag) {
  struct Case {
    const char *name;
    uint16_t storage_status;
    const char *database;
    const char *yes_text;
    int32_t expected;
    int parameter_calls;
  };
  const Case cases[] = {
      {"read-only database", 0, "ro", "yes", 1, 1},      {"writable database", 0, "rw", "yes", 0, 1},
      {"catalogue translates yes", 0, "ro", "ja", 0, 1}, {"unknown database", 0, "nowhere", "yes", 0, 1},
      {"no working storage", 3, "ro", "yes", -1, 0},
  };
  for (const Case &c : cases) {
    agent().Reset();
    auto &services = agent().readonly_services();
    services.storage_status = c.storage_status;
    services.readonly = {{"ro", 7}, {"rw", 0}};
    services.catalogue["yes"] = c.yes_text;
    EXPECT_EQ(::db_isreadonly(c.database), c.expected) << c.name;
    EXPECT_EQ(services.parameter_calls, c.parameter_calls) << c.name;
    EXPECT_EQ(services.blocks_out, 0) << c.name << ": the working block goes back";
  }
  EXPECT_EQ(::db_isreadonly(nullptr), 0);
}

TEST_F(FrameTest, ReadYesNoParameterAnswersDashOnFailure) {
  char block[560] = {};
  const char *answer = nullptr;
  EXPECT_NE(ReadYesNoParameter("nowhere", &answer, block, "readonly"), 0);
  EXPECT_STREQ(answer, "-");
}

}  // namespace
}  // namespace custor
