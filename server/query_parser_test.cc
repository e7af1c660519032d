#include <gtest/gtest.h>

#include <sstream>

#include "query.h"

namespace corvane {
namespace {

// A compact rendering of a parsed query, to compare with expectations.
std::string Render(const Query& query) {
  std::ostringstream out;
  for (const Step& step : query.steps) {
    out << "/" << step.name;
    for (const Predicate& p : step.predicates) {
      const char* kind = p.kind == Predicate::Kind::kAttribute ? "@"
                         : p.kind == Predicate::Kind::kSelf    ? "."
                                                               : "";
      out << "[" << kind << p.name << "=" << p.value << "]";
    }
  }
  if (query.sort) {
    const SortKey& key = *query.sort;
    const char* kind = key.kind == SortKey::Kind::kAttribute ? "@"
                       : key.kind == SortKey::Kind::kSelf    ? "."
                                                             : "";
    out << " sort(" << kind << key.name << (key.descending ? " desc" : " asc") << ")";
  }
  return out.str();
}

TEST(QueryParserTest, ParsesTheLanguage) {
  struct Case {
    std::string text, parsed;
  } cases[] = {
      {"/kiv:user sortby(@kiv:userid)", "/kiv:user sort(@kiv:userid asc)"},
      {"/kiv:group sortby(@kiv:groupname)", "/kiv:group sort(@kiv:groupname asc)"},
      {"/kiv:acl sortby(@kiv:aclname)", "/kiv:acl sort(@kiv:aclname asc)"},
      {"/kiv:user [@kiv:userid=\"X\"]", "/kiv:user[@kiv:userid=X]"},
      {"/kiv:group [kiv:userref=\"X\"]", "/kiv:group[kiv:userref=X]"},
      {"/kiv:group [kiv:userref=\"X\"]sortby(@kiv:groupname)",
       "/kiv:group[kiv:userref=X] sort(@kiv:groupname asc)"},
      {"/kiv:group [kiv:aclref=\"X\"]sortby(@kiv:groupname asc)",
       "/kiv:group[kiv:aclref=X] sort(@kiv:groupname asc)"},
      {"/kiv:group [@kiv:groupname=\"X\"] /kiv:userref sortby(.)",
       "/kiv:group[@kiv:groupname=X]/kiv:userref sort(. asc)"},
      {"/kiv:acl [@kiv:aclname=\"X\"] /kiv:ace [. = \"Y\"]", "/kiv:acl[@kiv:aclname=X]/kiv:ace[.=Y]"},
      {"/a[@b=\"1\"][c=\"2\"]/d", "/a[@b=1][c=2]/d"},
      {"/a [ @b = \"\" ] sortby( c desc )", "/a[@b=] sort(c desc)"},
      {"/a\t[\n.\r=\"x\"\n]", "/a[.=x]"},
      {"/a sortby(@b\tdesc)", "/a sort(@b desc)"},
      {"/a [@b=\"a&amp;b&#x3C;\"]", "/a[@b=a&b<]"},
      {"/a [@b=\"t\tn\nx\"]", "/a[@b=t n x]"},
      {"/a [b=\"t\tn\nx\"]", "/a[b=t\tn\nx]"},
      {"/a [@b=\"[ ] = sortby(\"]", "/a[@b=[ ] = sortby(]"},
  };
  for (const Case& c : cases) {
    std::optional<Query> query = ParseQuery(c.text);
    ASSERT_TRUE(query) << c.text;
    EXPECT_EQ(Render(*query), c.parsed) << c.text;
  }
}

TEST(QueryParserTest, RefusesWhatIsOutsideTheLanguage) {
  const char* refused[] = {
      "",
      " /kiv:user",
      "kiv:user",
      "/",
      "/kiv:user[@kiv:userid='X']",
      "/kiv:user[@kiv:userid=\"X]",
      "/kiv:user[@kiv:userid]",
      "/kiv:user[@kiv:userid!=\"X\"]",
      "/kiv:user[]",
      "/kiv:user[@kiv:userid=\"X\"",
      "/a/b/c",
      "//kiv:user",
      "/kiv:user sortby(@kiv:userid",
      "/kiv:user sortby()",
      "/kiv:user sortby(@kiv:userid up)",
      "/kiv:user sortby(@kiv:userid descending)",
      "/kiv:user sortby(@a) sortby(@b)",
      "/kiv:user sortby (@a)",
      "/kiv:user | /kiv:group",
      "/1abc",
      "/kiv:user[@kiv:userid=\"X\" and @a=\"b\"]",
      "/kiv:user[position()=1]",
  };
  for (const char* text : refused) EXPECT_FALSE(ParseQuery(text)) << text;
  // Blanks after a step belong to the step.
  EXPECT_TRUE(ParseQuery("/kiv:user "));
}

TEST(QueryParserTest, Selectors) {
  std::optional<Query> selector = ParseSelector("kiv:user[@kiv:userid=\"a&amp;b\tc\"]");
  ASSERT_TRUE(selector);
  EXPECT_EQ(Render(*selector), "/kiv:user[@kiv:userid=a&b c]");
  for (const char* bad : {"kiv:user", "kiv:user[kiv:userid=\"x\"]", "/kiv:user[@kiv:userid=\"x\"]",
                          "kiv:user[@kiv:userid=\"x\"]x", "kiv:user[@kiv:userid=x]", ""}) {
    EXPECT_FALSE(ParseSelector(bad)) << bad;
  }
}

}  // namespace
}  // namespace corvane
