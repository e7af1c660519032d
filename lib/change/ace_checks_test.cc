#include "change/ace_checks.h"

#include "scripted_agent/fixture.h"

namespace custor {
namespace {

class AceChecksTest : public testing::AgentTest {};

TEST_F(AceChecksTest, DuplicateTextsWhateverTheirAccessOrOmit) {
  const std::pair<std::vector<Ace>, bool> cases[] = {
      {{}, false},
      {{{"r", "a", ""}, {"w", "b", ""}, {"w", "a", ""}}, true},
      {{{"r", "a", "1"}, {"r", "a", ""}}, true},
      {{{"r", "Read", ""}, {"r", "read", ""}, {"r", "read ", ""}}, false},
  };
  for (const auto &[aces, duplicate] : cases) {
    EXPECT_EQ(CheckDuplicateAces(aces).Text(), duplicate ? "KIVAAE0377 text " : "0") << aces.size();
  }
}

TEST_F(AceChecksTest, EntryLookupAsksWithoutSessionAndCountsOnlyTheResult) {
  const std::pair<testing::Reply, bool> cases[] = {
      {testing::Result(testing::Entry("r", "read all")), true},
      {testing::LockedResult(testing::Entry("r", "read all")), true},
      {testing::NoResult(), false},
      {testing::Reply{}, false},
  };
  for (const auto &[reply, defined] : cases) {
    Reset();
    agent().Queue(reply);
    EXPECT_EQ(CheckAceDefined(db1(), "A1", "read all"), defined);
    EXPECT_THAT(agent().commands(),
                testing::ElementsAre("_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"read all\"]"));
  }
}

}  // namespace
}  // namespace custor
