#include <gtest/gtest.h>

#include "query.h"

namespace corvane {
namespace {

// A compact rendering of a parsed query, to compare with expectations.
template <typename Key>
std::string Term(const Key& key) {
  return (key.kind == Key::Kind::kAttribute ? "@" : key.kind == Key::Kind::kSelf ? "." : "") + key.name;
}

std::string Render(const Query& query) {
  std::string out;
  for (const Step& step : query.steps) {
    out += "/" + step.name;
    for (const Predicate& p : step.predicates) out += "[" + Term(p) + "=" + p.value + "]";
  }
  if (query.sort) out += " sort(" + Term(*query.sort) + (query.sort->descending ? " desc)" : " asc)");
  return out;
}

TEST(QueryParserTest, ParsesTheLanguage) {
  const std::pair<std::string, std::string> cases[] = {
      {"/a[@b=\"1\"][c=\"2\"]/d", "/a[@b=1][c=2]/d"},
      {"/a [ @b = \"\" ] sortby( c desc )", "/a[@b=] sort(c desc)"},
      {"/a\t[\n.\r=\"x\"\n]", "/a[.=x]"},
      {"/a sortby(@b\tdesc)", "/a sort(@b desc)"},
      {"/kiv:user ", "/kiv:user"},  // blanks after a step belong to the step
      {"/a [@b=\"[ ] = sortby(\"]", "/a[@b=[ ] = sortby(]"},
      // Literals are read as attribute values are: references decoded (an "&" that begins none stays),
      // and in attribute comparisons tabs and line breaks become blanks.
      {"/a [b=\"&amp;&lt;&gt;&quot;&apos;&#65;&#x42;&#x10FFFF;\"]", "/a[b=&<>\"'AB\xF4\x8F\xBF\xBF]"},
      {"/a [b=\"a & b&c<d &unknown; &#0;&#xD800;&#;&#x;&#12a;&amp\"]",
       "/a[b=a & b&c<d &unknown; &#0;&#xD800;&#;&#x;&#12a;&amp]"},
      {"/a [@b=\"t\tn\nx\r\ny\rz&#10;&#9;\"]", "/a[@b=t n x y z\n\t]"},
      {"/a [b=\"t\tn\nx\r\ny\"]", "/a[b=t\tn\nx\r\ny]"},
  };
  for (const auto& [text, parsed] : cases) {
    std::optional<Query> query = ParseQuery(text);
    ASSERT_TRUE(query) << text;
    EXPECT_EQ(Render(*query), parsed) << text;
  }
}

// Selectors that are accepted are checked through the service.
TEST(QueryParserTest, RefusesWhatIsOutsideTheLanguage) {
  // Steps and predicates, then sorting and the rest.
  for (const char* text :
       {"", " /kiv:user", "kiv:user", "/", "/kiv:user[@kiv:userid='X']", "/kiv:user[]",
        "/kiv:user[@kiv:userid=\"X]", "/kiv:user[@kiv:userid]", "/kiv:user[@kiv:userid=\"X\"",
        "/kiv:user[@kiv:userid!=\"X\"]", "/a/b/c", "//kiv:user", "/1abc"})
    EXPECT_FALSE(ParseQuery(text)) << text;
  for (const char* text :
       {"/kiv:user sortby(@kiv:userid", "/kiv:user sortby()", "/kiv:user sortby(@kiv:userid up)",
        "/kiv:user sortby(@kiv:userid descending)", "/kiv:user sortby(@a) sortby(@b)",
        "/kiv:user sortby (@a)", "/kiv:user | /kiv:group", "/kiv:user[@kiv:userid=\"X\" and @a=\"b\"]",
        "/kiv:user[position()=1]"})
    EXPECT_FALSE(ParseQuery(text)) << text;
  for (const char* text : {"kiv:user", "kiv:user[kiv:userid=\"x\"]", "/kiv:user[@kiv:userid=\"x\"]",
                           "kiv:user[@kiv:userid=\"x\"]x", "kiv:user[@kiv:userid=x]", ""}) {
    EXPECT_FALSE(ParseSelector(text)) << text;
  }
}

}  // namespace
}  // namespace corvane
