#include "xml_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(XmlTextTest, TextEscapesOnlyAmpersandLessThanAndClosingMarker) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain", "plain"},
      {"a > b \" c ' d", "a > b \" c ' d"},
      {"a & b < c", "a &amp; b &lt; c"},
      {"x]]>y", "x]]&gt;y"},
      {"x]>y ]] >", "x]>y ]] >"},
      {"line\nbreak\ttab", "line\nbreak\ttab"},
      {"cr\r", "cr&#13;"},
      {"\xC3\xBC", "\xC3\xBC"},
  };
  for (const Case& c : cases) {
    std::string out;
    AppendEscapedText(&out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
  }
}

TEST(XmlTextTest, AttributeEscapesAmpersandLessThanQuoteAndWhitespace) {
  std::string out;
  AppendEscapedAttribute(&out, "a&b<c\"d>e'f\tg\nh\ri");
  EXPECT_EQ(out, "a&amp;b&lt;c&quot;d>e'f&#9;g&#10;h&#13;i");
}

TEST(XmlTextTest, DecodeLiteral) {
  struct Case {
    std::string raw;
    bool attribute;
    std::string decoded;
  } cases[] = {
      {"a&amp;b&lt;c&gt;d&quot;e&apos;f", false, "a&b<c>d\"e'f"},
      {"&#65;&#x42;&#x10FFFF;", false, "AB\xF4\x8F\xBF\xBF"},
      {"&#xE9;", true, "\xC3\xA9"},
      {"a & b", false, "a & b"},
      {"a&b<c", false, "a&b<c"},
      {"&unknown;", false, "&unknown;"},
      {"&#0;&#xD800;&#;&#x;&#12a;", false, "&#0;&#xD800;&#;&#x;&#12a;"},
      {"&amp", false, "&amp"},
      {"a\tb\nc\r\nd\re", true, "a b c d e"},
      {"a\tb\nc\r\nd", false, "a\tb\nc\r\nd"},
      {"&#10;&#9;", true, "\n\t"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeLiteral(c.raw, c.attribute), c.decoded) << c.raw;
}

}  // namespace
}  // namespace corvane
