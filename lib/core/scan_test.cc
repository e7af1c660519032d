#include "core/scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scripted_agent/replies.h"

namespace custor {
namespace {

using ::testing::ElementsAre;
using testing::Failure;
using testing::Ok;
using testing::Response;
using testing::Result;

std::string Message(const std::string &value, const std::string &inside = "") {
  return "<kiv:message kiv:returnvalue=\"" + value + "\">" + inside + "</kiv:message>";
}

TEST(CheckReply, ClassifiesReplies) {
  const std::string second_fails =
      Message("0", "<kiv:messageline>first</kiv:messageline>") +
      Message("5", "<kiv:messagetext kiv:code=\"KIVX5\">second</kiv:messagetext>");
  const std::pair<std::string, std::string> cases[] = {
      {Ok("Document stored"), "0"},
      {Response(Message("00", "<kiv:messagetext kiv:code=\"C1\">Bad</kiv:messagetext>")), "C1 Bad"},
      {Response(second_fails), "KIVX5 second"},                     // the second message's text
      {Response(Message("0") + Message("0") + Message("9")), "0"},  // a third is not consulted
      {Response("<other/>"), "VRX@DLL PARSE_ERR "},
      {"VRX@DLL CORVANE_REQUEST_FAILED", "VRX@DLL PARSE_ERR "},
      {"", "VRX@DLL PARSE_ERR "},
      {Failure("KIVXCE0010", " Invalid request"), "KIVXCE0010 "},  // text not kept: leading blank
  };
  for (const auto &[reply, verdict] : cases) EXPECT_EQ(CheckReply(reply).Text(), verdict) << reply;
}

TEST(CollectAttributeValues, SeedsOrderAndTheLastByte) {
  const ScanValues names = CollectAttributeValues("<r><g n=\"b\"/><g n=\"a\"/></r>", "g",
                                                  "n");  // the root's '>' is the unparsed last byte
  EXPECT_THAT(names.values(), ElementsAre("b", "a"));
  const ScanValues none = CollectAttributeValues("<r><h/></r>", "g", "n");
  EXPECT_EQ(std::to_string(none.ScanCount()) + "|" + none[0] + "|" + none[1] + "|" + none[2],
            "0|VRX@DLL PARSE_ERR|0|");
  EXPECT_EQ(CollectAttributeValues(Ok("x"), "kiv:message", "kiv:returnvalue")[1], "0") << "slot 1's seed";
  EXPECT_EQ(CollectAttributeValues("", "e", "a")[0], "VRX@DLL PARSE_ERR");
  // A start tag whose '>' is the last byte is never reported; values before a syntax error stay.
  EXPECT_EQ(CollectAttributeValues("<e a=\"1\">", "e", "a").ScanCount(), 0);
  EXPECT_THAT(CollectAttributeValues("<e a=\"1\"> ", "e", "a").values(), ElementsAre("1"));
  EXPECT_THAT(CollectAttributeValues("<r><e a=\"1\"/><e a=\"2\" <<</r>", "e", "a").values(),
              ElementsAre("1"));
}

TEST(CollectTextValues, SkipsPiecesByTheirFirstByte) {
  const std::string open = "<padding-padding-padding>";  // keeps short cases above 24 bytes
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"abc", {"abc"}},
      {" abc", {}},
      {"\xC3\xA9t\xC3\xA9", {}},  // first byte 0xC3 reads as negative
      {"ab\ncd", {"ab", "cd"}},
      {"a&amp;b&lt;c&gt;d", {"a", "&", "b", "<", "c", ">", "d"}},
      {"caf\xC3\xA9", {"caf\xC3\xA9"}},
      {"a\"b>c", {"a\"b>c"}},
  };
  for (const auto &[text, pieces] : cases) {
    EXPECT_EQ(CollectTextValues(open + text + "</padding-padding-padding>").texts(), pieces) << text;
  }
  const std::string reply24 = "<a>xxxxxxxxxxxxxxxxx</a>";
  ASSERT_EQ(reply24.size(), 24u);
  EXPECT_EQ(CollectTextValues(reply24).ScanCount(), 0);
  EXPECT_THAT(CollectTextValues(reply24 + " ").texts(), ElementsAre("xxxxxxxxxxxxxxxxx"));
  EXPECT_EQ(CollectTextValues(reply24 + " ")[1], "");
  std::string many = open;
  for (int i = 0; i < 2005; ++i) many += "<e>t" + std::to_string(i) + "</e>";
  const ScanTexts kept = CollectTextValues(many + "</padding-padding-padding>");
  ASSERT_EQ(kept.ScanCount(), 2000);
  EXPECT_EQ(kept[1999], "t1999");
}

TEST(ExtractElement, CutsByPlainSearch) {
  const std::string not_found = "VRX@DLL PARSER COULD NOT FIND TAG";
  EXPECT_EQ(ExtractElement(testing::Result("<u>d</u>"), "xql:result"), "<xql:result><u>d</u></xql:result>");
  EXPECT_EQ(ExtractElement(Ok("line"), "kiv:messageline"), "<kiv:messageline>line</kiv:messageline>");
  EXPECT_EQ(ExtractElement(Ok("x"), "xql:result"), not_found);
  EXPECT_EQ(ExtractElement("<xql:result>never closed", "xql:result"), not_found);
  EXPECT_EQ(ExtractElement("</xql:result><xql:result>", "xql:result"), not_found);
  EXPECT_EQ(ExtractElement("<xql:resultset></xql:result>", "xql:result"), "<xql:resultset></xql:result>");
}

// One pass over several targets must give each target what a pass of its own gives: the same first
// 2000, the same stop at a syntax error, the same seeds where nothing was found.
TEST(CollectAttributeValues, SeveralTargetsInOnePassMatchOnePassEach) {
  std::string many;
  for (int i = 0; i < 2005; ++i) many += "<kiv:user kiv:userid=\"u" + std::to_string(i) + "\"/>";
  // The fuzz corpus holds the ordinary shapes; these are the cap, attribute order and a syntax error.
  const std::string replies[] = {
      Result("<kiv:user kiv:id=\"1\" kiv:userid=\"a\"/><kiv:user kiv:userid=\"b\" kiv:id=\"2\"/>"),
      Result(many),
      Result("<kiv:user kiv:userid=\"a\"/><kiv:user kiv:userid=\"b\" kiv:userid=\"c\"/><kiv:user "
             "kiv:userid=\"d\"/>"),
  };
  const AttributeTarget targets[] = {
      {"kiv:user", "kiv:userid"}, kReturnValues, {"kiv:user", "kiv:id"}, {"kiv:response", "kiv:sessionid"}};
  for (const std::string &reply : replies) {
    const auto together = CollectAttributeValues(reply, targets);
    for (std::size_t t = 0; t < std::size(targets); ++t) {
      const ScanValues alone = CollectAttributeValues(reply, targets[t].element, targets[t].attribute);
      EXPECT_EQ(together[t].values(), alone.values()) << reply.substr(0, 80) << " target " << t;
      EXPECT_EQ(together[t][0], alone[0]);
    }
  }
  const auto first_2000 = CollectAttributeValues(replies[1], targets);
  EXPECT_EQ(std::to_string(first_2000[0].ScanCount()) + " " + first_2000[0][1999], "2000 u1999");
}

}  // namespace
}  // namespace custor
