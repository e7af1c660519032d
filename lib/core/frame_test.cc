#include "core/frame.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class FrameTest : public AgentTest {};

TEST_F(FrameTest, ReadOnlyFlag) {
  // Storage status, database, the catalogue's text for "yes"; the answer and the parameter calls.
  const std::tuple<uint16_t, const char *, const char *, std::string> cases[] = {{0, "ro", "yes", "1 1"},
                                                                                 {0, "rw", "yes", "0 1"},
                                                                                 {0, "ro", "ja", "0 1"},
                                                                                 {0, "nowhere", "yes", "0 1"},
                                                                                 {3, "ro", "yes", "-1 0"}};
  for (const auto &[storage_status, database, yes_text, expected] : cases) {
    agent().Reset();
    auto &services = agent().readonly_services();
    services.storage_status = storage_status;
    services.readonly = {{"ro", 7}, {"rw", 0}};
    services.catalogue["yes"] = yes_text;
    const int32_t answer = IsReadOnly(database);
    EXPECT_EQ(std::to_string(answer) + " " + std::to_string(services.parameter_calls), expected)
        << database << " " << yes_text;
    EXPECT_EQ(services.blocks_out, 0) << database << ": the working block goes back";
  }
}

}  // namespace
}  // namespace custor::testing
