#include "xml_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(XmlTextTest, EscapingOfTextAndAttributes) {
  const struct {
    std::string in, text, attribute;
  } cases[] = {
      {"plain \xC3\xBC", "plain \xC3\xBC", "plain \xC3\xBC"},
      {"a&b<c\"d>e'f", "a&amp;b&lt;c\"d>e'f", "a&amp;b&lt;c&quot;d>e'f"},
      {"x]]>y ]>z ]] >", "x]]&gt;y ]>z ]] >", "x]]>y ]>z ]] >"},
      {"\tg\nh\ri", "\tg\nh&#13;i", "&#9;g&#10;h&#13;i"},
  };
  for (const auto& c : cases) {
    std::string text, attribute;
    AppendEscapedText(&text, c.in);
    AppendEscapedAttribute(&attribute, c.in);
    EXPECT_EQ(text, c.text) << c.in;
    EXPECT_EQ(attribute, c.attribute) << c.in;
  }
}

TEST(XmlTextTest, DecodeLiteral) {
  const struct {
    std::string raw;
    bool attribute;
    std::string decoded;
  } cases[] = {
      {"a&amp;b&lt;c&gt;d&quot;e&apos;f", false, "a&b<c>d\"e'f"},
      {"&#65;&#x42;&#x10FFFF;&#xE9;", true, "AB\xF4\x8F\xBF\xBF\xC3\xA9"},
      {"a & b&c<d &unknown; &amp", false, "a & b&c<d &unknown; &amp"},
      {"&#0;&#xD800;&#;&#x;&#12a;", false, "&#0;&#xD800;&#;&#x;&#12a;"},
      {"a\tb\nc\r\nd\re", true, "a b c d e"},
      {"a\tb\nc\r\nd", false, "a\tb\nc\r\nd"},
      {"&#10;&#9;", true, "\n\t"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLiteral(c.raw, c.attribute), c.decoded) << c.raw;
}

}  // namespace
}  // namespace corvane
