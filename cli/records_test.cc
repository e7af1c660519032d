#include "cli/records.h"

#include <gtest/gtest.h>

#include <string>

namespace custor::cli {
namespace {

TEST(ParseAce, SplitsAtTheFirstEqualsSign) {
  const struct {
    const char *given;
    const char *access, *text;
  } cases[] = {
      {"read=alice", "read", "alice"},
      {"read=a=b", "read", "a=b"},
      {"write=", "write", ""},
      {"=text", "", "text"},
      {"read=J\xC3\xB6rg & <co>", "read", "J\xC3\xB6rg & <co>"},
  };
  for (const auto &c : cases) {
    const AceSpec ace = ParseAce(c.given, true);
    EXPECT_EQ(ace.access, c.access) << c.given;
    EXPECT_EQ(ace.text, c.text) << c.given;
    EXPECT_TRUE(ace.omit);
  }
  EXPECT_THROW(ParseAce("no equals sign", false), UsageError);
}

TEST(NameListInput, HoldsTheNamesInOrder) {
  const NameListInput list({"g2", "g1", ""});
  ASSERT_EQ(list.get()->count, 3);
  EXPECT_STREQ(list.get()->names[0], "g2");
  EXPECT_STREQ(list.get()->names[1], "g1");
  EXPECT_STREQ(list.get()->names[2], "");
  EXPECT_EQ(list.get()->names[3], nullptr);
  EXPECT_EQ(NameListInput({}).get()->count, 0);
}

TEST(GroupInput, HoldsNameAndReferences) {
  const GroupInput group("admins", {"u1", "u2"}, {"acl1"});
  const GroupRecord *record = group.get();
  EXPECT_STREQ(record->nameOrId, "admins");
  ASSERT_EQ(record->userCount, 2);
  ASSERT_EQ(record->aclCount, 1);
  EXPECT_STREQ(record->users[1], "u2");
  EXPECT_STREQ(record->acls[0], "acl1");
  EXPECT_EQ(record->status, nullptr);
  EXPECT_EQ(record->session, nullptr);
}

TEST(AclInput, MarksOmittedEntries) {
  const AclInput acl({{"read", "alice", false}, {"write", "bob", true}});
  const AclRecord *record = acl.get();
  ASSERT_EQ(record->aceCount, 2);
  EXPECT_STREQ(record->aces[0]->access, "read");
  EXPECT_STREQ(record->aces[0]->text, "alice");
  EXPECT_EQ(record->aces[0]->omit, nullptr);
  EXPECT_STREQ(record->aces[1]->access, "write");
  EXPECT_STREQ(record->aces[1]->text, "bob");
  EXPECT_STREQ(record->aces[1]->omit, "1");
}

TEST(Inputs, RefuseMoreThanARecordHolds) {
  const std::vector<std::string> full(CUSTOR_CAPACITY, "n");
  const std::vector<std::string> over(CUSTOR_CAPACITY + 1, "n");
  EXPECT_EQ(NameListInput(full).get()->count, CUSTOR_CAPACITY);
  EXPECT_THROW(NameListInput{over}, UsageError);
  EXPECT_THROW((GroupInput{"g", over, {}}), UsageError);
  EXPECT_THROW((GroupInput{"g", {}, over}), UsageError);
  EXPECT_THROW(AclInput(std::vector<AceSpec>(CUSTOR_CAPACITY + 1)), UsageError);
}

}  // namespace
}  // namespace custor::cli
