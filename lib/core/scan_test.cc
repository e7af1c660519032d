#include "core/scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "agent/replies.h"

namespace custor {
namespace {

using ::testing::ElementsAre;
using testing::Failure;
using testing::Ok;
using testing::Response;
using testing::Result;

TEST(CheckReply, ClassifiesReplies) {
  struct Case {
    const char *name;
    std::string reply;
    std::string verdict;
  };
  const Case cases[] = {
      {"one message with return value 0", Ok("Document stored"), "0"},
      {"server failure", Failure("KIVXIE8300", "No matching document found"),
       "KIVXIE8300 No matching document found"},
      {"return value 00 is not 0",
       Response("<kiv:message kiv:returnvalue=\"00\"><kiv:messagetext kiv:code=\"C1\">Bad</kiv:messagetext>"
                "</kiv:message>"),
       "C1 Bad"},
      {"second message failing takes the second text",
       Response(
           "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>first</kiv:messageline></kiv:message>"
           "<kiv:message kiv:returnvalue=\"5\"><kiv:messagetext kiv:code=\"KIVX5\">second</kiv:messagetext>"
           "</kiv:message>"),
       "KIVX5 second"},
      {"second message with 0",
       Response("<kiv:message kiv:returnvalue=\"0\"/><kiv:message kiv:returnvalue=\"0\"/>"), "0"},
      {"third message is not consulted",
       Response("<kiv:message kiv:returnvalue=\"0\"/><kiv:message kiv:returnvalue=\"0\"/>"
                "<kiv:message kiv:returnvalue=\"9\"/>"),
       "0"},
      {"no kiv:message and no code", Response("<other/>"), "VRX@DLL PARSE_ERR "},
      {"request failed mark", "VRX@DLL CORVANE_REQUEST_FAILED", "VRX@DLL PARSE_ERR "},
      {"empty reply", "", "VRX@DLL PARSE_ERR "},
      {"failure whose text is not kept (leading blank)", Failure("KIVXCE0010", " Invalid request"),
       "KIVXCE0010 "},
  };
  for (const Case &c : cases) EXPECT_EQ(CheckReply(c.reply), c.verdict) << c.name;
}

TEST(CollectAttributeValues, SeedsAndDocumentOrder) {
  const std::string reply =
      Result("<kiv:group kiv:id=\"3\" kiv:groupname=\"b\"/><kiv:group kiv:id=\"1\" kiv:groupname=\"a\"/>");
  const ScanValues names = CollectAttributeValues(reply, "kiv:group", "kiv:groupname");
  EXPECT_THAT(names.values(), ElementsAre("b", "a"));

  const ScanValues none = CollectAttributeValues(reply, "kiv:user", "kiv:userid");
  EXPECT_EQ(none.ScanCount(), 0);
  EXPECT_EQ(none[0], "VRX@DLL PARSE_ERR");
  EXPECT_EQ(none[1], "0");
  EXPECT_EQ(none[2], "");

  const ScanValues one = CollectAttributeValues(Ok("x"), "kiv:message", "kiv:returnvalue");
  EXPECT_EQ(one[0], "0");
  EXPECT_EQ(one[1], "0") << "slot 1 keeps its seed";

  const ScanValues failed = CollectAttributeValues("VRX@DLL CORVANE_REQUEST_FAILED", "kiv:message", "x");
  EXPECT_EQ(failed.ScanCount(), 0);
  EXPECT_EQ(failed[0], "VRX@DLL PARSE_ERR");
}

TEST(CollectAttributeValues, LastByteIsNeverParsed) {
  // The root's closing tag loses its '>', yet everything before it is collected.
  EXPECT_THAT(CollectAttributeValues("<r><e a=\"1\"/><e a=\"2\"/></r>", "e", "a").values(),
              ElementsAre("1", "2"));
  // A start tag whose '>' is the last byte is never reported.
  EXPECT_EQ(CollectAttributeValues("<e a=\"1\">", "e", "a").ScanCount(), 0);
  EXPECT_THAT(CollectAttributeValues("<e a=\"1\"> ", "e", "a").values(), ElementsAre("1"));
  // Values before a syntax error stay collected.
  EXPECT_THAT(CollectAttributeValues("<r><e a=\"1\"/><e a=\"2\" <<</r>", "e", "a").values(),
              ElementsAre("1"));
}

TEST(CollectAttributeValues, KeepsTheFirst2000) {
  std::string reply = "<r>";
  for (int i = 0; i < 2005; ++i) reply += "<e a=\"" + std::to_string(i) + "\"/>";
  reply += "</r>";
  const ScanValues values = CollectAttributeValues(reply, "e", "a");
  ASSERT_EQ(values.ScanCount(), 2000);
  EXPECT_EQ(values[1999], "1999");
}

TEST(CollectTextValues, SkipsPiecesByTheirFirstByte) {
  struct Case {
    const char *name;
    std::string reply;
    std::vector<std::string> texts;
  };
  const std::string pad = "<padding-padding-padding>";  // keeps short cases above 24 bytes
  const Case cases[] = {
      {"plain text", pad + "abc</padding-padding-padding>", {"abc"}},
      {"leading blank skipped", pad + " abc</padding-padding-padding>", {}},
      {"byte 0xC3 skipped", pad + "\xC3\xA9t\xC3\xA9</padding-padding-padding>", {}},
      {"line break splits the text", pad + "ab\ncd</padding-padding-padding>", {"ab", "cd"}},
      {"entity references split the text",
       pad + "a&amp;b&lt;c&gt;d</padding-padding-padding>",
       {"a", "&", "b", "<", "c", ">", "d"}},
      {"non-ASCII inside a piece is kept", pad + "caf\xC3\xA9</padding-padding-padding>", {"caf\xC3\xA9"}},
      {"quote and angle in text stay whole", pad + "a\"b>c</padding-padding-padding>", {"a\"b>c"}},
  };
  for (const Case &c : cases) EXPECT_EQ(CollectTextValues(c.reply).texts(), c.texts) << c.name;
}

TEST(CollectTextValues, TwentyFiveByteRule) {
  const std::string reply24 = "<a>xxxxxxxxxxxxxxxxx</a>";  // 24 bytes
  ASSERT_EQ(reply24.size(), 24u);
  EXPECT_EQ(CollectTextValues(reply24).ScanCount(), 0);
  const std::string reply25 = reply24 + " ";
  EXPECT_THAT(CollectTextValues(reply25).texts(), ElementsAre("xxxxxxxxxxxxxxxxx"));
  EXPECT_EQ(CollectTextValues(reply25)[1], "") << "an unfilled slot reads empty";
}

TEST(ExtractElement, CutsByPlainSearch) {
  const std::string reply = Result("<kiv:user kiv:userid=\"u\">data</kiv:user>");
  EXPECT_EQ(ExtractElement(reply, "xql:result"),
            "<xql:result><kiv:user kiv:userid=\"u\">data</kiv:user></xql:result>");
  EXPECT_EQ(ExtractElement(Ok("x"), "xql:result"), "VRX@DLL PARSER COULD NOT FIND TAG");
  EXPECT_EQ(ExtractElement("<xql:result>never closed", "xql:result"), "VRX@DLL PARSER COULD NOT FIND TAG");
  EXPECT_EQ(ExtractElement("</xql:result><xql:result>", "xql:result"), "VRX@DLL PARSER COULD NOT FIND TAG");
  EXPECT_EQ(ExtractElement(Ok("line"), "kiv:messageline"), "<kiv:messageline>line</kiv:messageline>");
  // The opening pattern also matches longer names.
  EXPECT_EQ(ExtractElement("<xql:resultset></xql:result>", "xql:result"), "<xql:resultset></xql:result>");
}

// One pass over several targets must give each target what a pass of its own gives: the same first
// 2000, the same stop at a syntax error, the same seeds where nothing was found.
TEST(CollectAttributeValues, SeveralTargetsInOnePassMatchOnePassEach) {
  std::string many;
  for (int i = 0; i < 2005; ++i) many += "<kiv:user kiv:userid=\"u" + std::to_string(i) + "\"/>";
  const std::string replies[] = {
      Result("<kiv:user kiv:id=\"1\" kiv:userid=\"a\"/><kiv:user kiv:userid=\"b\" kiv:id=\"2\"/>"),
      Result(many),
      Result("<kiv:user kiv:userid=\"a\"/><kiv:user kiv:userid=\"b\" kiv:userid=\"c\"/><kiv:user "
             "kiv:userid=\"d\"/>"),
      Ok("Document stored", testing::Identity{"7", "00ff"}),
      "<kiv:user kiv:userid=\"a\"/><kiv:message kiv:returnvalue=\"0\"/>",
      "",
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
  EXPECT_EQ(CollectAttributeValues(replies[1], targets)[0].ScanCount(), 2000);
}

}  // namespace
}  // namespace custor
