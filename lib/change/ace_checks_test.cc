#include "agent/fixture.h"
#include "change/add_ace.h"
#include "change/modify.h"

namespace custor {
namespace {

using ::testing::ElementsAre;
using testing::Failure;
using testing::NoResult;
using testing::Result;

class AceChecksTest : public testing::AgentTest {};

TEST_F(AceChecksTest, DuplicateTextsAreFoundWhateverTheirAccessOrOmit) {
  struct Case {
    const char *name;
    std::vector<Ace> aces;
    bool duplicate;
  };
  const Case cases[] = {
      {"no entry", {}, false},
      {"one entry", {{"r", "all", ""}}, false},
      {"first and third", {{"r", "a", ""}, {"w", "b", ""}, {"w", "a", ""}}, true},
      {"last two", {{"r", "a", ""}, {"w", "b", ""}, {"x", "c", ""}, {"x", "c", ""}}, true},
      {"same text, one omitted", {{"r", "a", "1"}, {"r", "a", ""}}, true},
      {"same access, other texts", {{"r", "a", ""}, {"r", "b", ""}}, false},
      {"letter case differs", {{"r", "Read", ""}, {"r", "read", ""}}, false},
      {"trailing blank differs", {{"r", "a", ""}, {"r", "a ", ""}}, false},
      {"empty texts", {{"r", "", ""}, {"w", "", ""}}, true},
  };
  agent().SetMessage("KIVAAE0377", " ACE already defined");
  for (const Case &c : cases) {
    EXPECT_EQ(CheckDuplicateAces(c.aces), c.duplicate ? "KIVAAE0377 ACE already defined " : "0") << c.name;
  }
  EXPECT_TRUE(agent().requests().empty());
}

TEST_F(AceChecksTest, DuplicateWithEmptyMessageTableIsTheBareCode) {
  EXPECT_EQ(CheckDuplicateAces({{"r", "a", ""}, {"r", "a", ""}}), "KIVAAE0377");
}

TEST_F(AceChecksTest, EntryLookupAsksWithoutSessionAndCountsOnlyTheResult) {
  struct Case {
    const char *name;
    testing::Reply reply;
    const char *answer;
  };
  const Case cases[] = {
      {"entry present", Result("<kiv:ace kiv:access=\"r\">read all</kiv:ace>"), "1"},
      {"no such entry", NoResult(), "KIVAAE0386"},
      {"server error", Failure("KIVXQE0040", "Invalid query"), "KIVAAE0386"},
      {"no reply", testing::Reply{}, "KIVAAE0386"},
      {"result beside an error",
       testing::Response("<xql:result><kiv:ace kiv:access=\"r\">read all</kiv:ace></xql:result><kiv:message "
                         "kiv:returnvalue=\"20\"><kiv:messagetext kiv:code=\"KIVXBE0020\">Database not "
                         "found</kiv:messagetext></kiv:message>"),
       "1"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    EXPECT_EQ(CheckAceDefined(db1(), "A1", "read all"), c.answer) << c.name;
    EXPECT_THAT(agent().commands(),
                ElementsAre("_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"read all\"]"))
        << c.name;
  }
}

}  // namespace
}  // namespace custor
