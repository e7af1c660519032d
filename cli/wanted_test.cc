#include "cli/wanted.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "custor/custor.h"

namespace custor::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(ReadWanted, ReadsUsersAclsAndGroupsWithTheirDefaults) {
  const JsonFile file("f", R"({"users": [{"id": "ann", "content": "<n>Ann</n>"}, {"id": "bob"}],
    "acls": [{"name": "docs", "entries": [{"access": "write", "text": "/b"}, {"access": "read", "text": "/a"}]},
             {"name": "none"}],
    "groups": [{"name": "staff", "users": ["bob", "ann"], "acls": ["docs"]}, {"name": "empty"}]})");
  const Wanted wanted = ReadWanted(file);
  EXPECT_THAT(wanted.users, ElementsAre(Pair("ann", "<n>Ann</n>"), Pair("bob", "")));
  EXPECT_THAT(wanted.acls, ElementsAre(Pair("docs", ElementsAre(Entry{"write", "/b"}, Entry{"read", "/a"})),
                                       Pair("none", ElementsAre())));
  ASSERT_EQ(wanted.groups.size(), 2u);
  const Wanted::Group &staff = wanted.groups.at("staff");
  EXPECT_THAT(staff.users, ElementsAre("bob", "ann")) << "in the file's order";
  EXPECT_EQ(ReferencePath(staff, "users", 1), "/groups/0/users/1");
  EXPECT_EQ(wanted.groups.at("empty").index, 1u);
  EXPECT_EQ(file.Where(ReferencePath(staff, "users", 1)), "f:4:51");
  // What export writes reads back the same.
  const Wanted again = ReadWanted(JsonFile("g", WantedJson(wanted).dump(2)));
  EXPECT_EQ(again.users, wanted.users);
  EXPECT_EQ(again.acls, wanted.acls);
  EXPECT_THAT(again.groups.at("staff").users, ElementsAre("bob", "ann"));
}

// Every refusal names the place of the offending value and says why.
TEST(ReadWanted, RefusesAMalformedFileAtItsPlace) {
  const std::pair<std::string, std::string> cases[] = {
      {R"({"users": [{"id": "a"},]})",
       "f:1:24: syntax error while parsing value - unexpected ']'; expected '[', "
       "'{', or a literal"},
      {"{\n  \"users\": [\n    {\"id\": \"a\", \"id\": \"b\"}]}", "f:3:17: this member is given twice"},
      {R"([])", "f:1:1: the file is a JSON object"},
      {R"({"user": []})", "f:1:2: unknown member \"user\" (the file has acls, groups, users)"},
      {R"({"users": {}})", "f:1:11: \"users\" is a list"},
      {R"({"users": [{"content": "x"}]})", "f:1:12: \"id\" is missing"},
      {R"({"users": [{"id": 7}]})", "f:1:19: \"id\" is a text"},
      {R"({"users": [{"id": ""}]})", "f:1:19: a name is not empty"},
      {R"({"users": [{"id": "a<b"}]})",
       "f:1:19: \"a<b\" holds '<', which the library refuses in a name (\", <, >, & and bytes below 0x20)"},
      {R"({"users": [{"id": "a\u0001"}]})",
       "f:1:19: \"a\\x01\" holds a control character, which the library refuses in a name (\", <, >, & and "
       "bytes "
       "below 0x20)"},
      {R"({"users": [{"id": "a"}, {"id": "a"}]})", "f:1:32: user \"a\" is given twice (first at f:1:19)"},
      {R"({"users": [{"id": "a", "content": "<x>"}]})",
       "f:1:35: the content of user \"a\" is not well-formed XML: mismatched tag at the end of the "
       "content"},
      {R"({"acls": [{"name": "d", "entries": [{"access": "r"}]}]})", "f:1:37: \"text\" is missing"},
      {R"({"acls": [{"name": "d", "entries": [{"access": "r&", "text": "x"}]}]})",
       "f:1:48: \"r&\" holds '&', which the library refuses in a name (\", <, >, & and bytes below 0x20)"},
      {R"({"acls": [{"name": "d", "entries": [{"access": "r", "text": "x"}, {"access": "w", "text": "x"}]}]})",
       "f:1:91: in ACL \"d\", the entry text \"x\" is given twice (first at f:1:61): the library refuses two "
       "entries of one text"},
      {R"({"acls": [{"name": "d"}, {"name": "d"}]})", "f:1:35: ACL \"d\" is given twice (first at f:1:20)"},
      {R"({"groups": [{"name": "g", "users": ["a", 1]}]})", "f:1:42: a user is named by a text"},
      // What the library would not read back: a reference or an entry text that begins with a byte of
      // 0x80 and above or a blank, or an empty entry text.
      {R"({"groups": [{"name": "g", "users": ["\u00dcnal"]}]})",
       "f:1:37: \"\xC3\x9Cnal\" would not be read back by the library: it reads a reference or an entry's "
       "text only when "
       "it begins with a character above the blank and below 0x80 and holds no \"]]>\""},
      {R"({"acls": [{"name": "d", "entries": [{"access": "r", "text": " x"}]}]})",
       "f:1:61: \" x\" would not be read back by the library: it reads a reference or an entry's text only "
       "when it "
       "begins with a character above the blank and below 0x80 and holds no \"]]>\""},
      {R"({"acls": [{"name": "d", "entries": [{"access": "", "text": ""}]}]})",
       "f:1:60: \"\" would not be read back by the library: it reads a reference or an entry's text only "
       "when it "
       "begins with a character above the blank and below 0x80 and holds no \"]]>\""},
      {R"({"groups": [{"name": "g", "acls": ["x", "x"]}]})", "f:1:41: group \"g\" names ACL \"x\" twice"},
      {R"({"groups": [{"name": "g", "members": []}]})",
       "f:1:27: unknown member \"members\" (a group has acls, name, users)"},
  };
  for (const auto &[text, message] : cases) {
    try {
      ReadWanted(JsonFile("f", text));
      ADD_FAILURE() << "taken: " << text;
    } catch (const FileError &error) {
      EXPECT_EQ(error.what(), message) << text;
    }
  }
}

TEST(ReadWanted, RefusesMoreThanARecordHolds) {
  Json users = Json::array();
  for (int i = 0; i <= CUSTOR_CAPACITY; ++i) users.push_back("u" + std::to_string(i));
  const JsonFile file("f", Dump(Json{{"groups", Json::array({Json{{"name", "g"}, {"users", users}}})}}));
  EXPECT_THROW(ReadWanted(file), FileError);
  users.erase(users.begin());
  EXPECT_EQ(
      ReadWanted(JsonFile("f", Dump(Json{{"groups", Json::array({Json{{"name", "g"}, {"users", users}}})}})))
          .groups.at("g")
          .users.size(),
      static_cast<std::size_t>(CUSTOR_CAPACITY));
}

}  // namespace
}  // namespace custor::cli
