#include "cli/records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/results.h"

namespace custor::cli {
namespace {

using ::testing::FieldsAre;
using Names = std::vector<std::string>;

TEST(ParseAce, SplitsAtTheFirstEqualsSign) {
  EXPECT_THAT(ParseAce("read=a=b", true), FieldsAre("read", "a=b", true));
  EXPECT_THAT(ParseAce("write=", true), FieldsAre("write", "", true));
  EXPECT_THAT(ParseAce("=J\xC3\xB6rg & <co>", false), FieldsAre("", "J\xC3\xB6rg & <co>", false));
  EXPECT_THROW(ParseAce("no equals sign", false), UsageError);
}

TEST(Inputs, HoldTheirTextsInOrder) {
  const NameListInput list({"g2", "g1"});
  EXPECT_EQ(Texts(list.get()->names, list.get()->count), (Names{"g2", "g1"}));
  EXPECT_EQ(list.get()->names[2], nullptr);
  const GroupInput group("admins", {"u1", "u2"}, {"acl1"});
  const GroupRecord *g = group.get();
  EXPECT_STREQ(g->nameOrId, "admins");
  EXPECT_EQ(Texts(g->users, g->userCount), (Names{"u1", "u2"}));
  EXPECT_EQ(Texts(g->acls, g->aclCount), Names{"acl1"});
  EXPECT_TRUE(g->status == nullptr && g->session == nullptr);
  const AclInput acl({{"read", "alice", false}, {"write", "bob", true}});
  const AclRecord *a = acl.get();
  ASSERT_EQ(a->aceCount, 2);
  EXPECT_EQ(std::string(a->aces[0]->access) + "=" + a->aces[0]->text, "read=alice");
  EXPECT_EQ(std::string(a->aces[1]->access) + "=" + a->aces[1]->text, "write=bob");
  EXPECT_TRUE(a->aces[0]->omit == nullptr && std::string(a->aces[1]->omit) == "1");
}

TEST(Inputs, RefuseMoreThanARecordHolds) {
  const Names full(CUSTOR_CAPACITY, "n"), over(CUSTOR_CAPACITY + 1, "n");
  EXPECT_EQ(NameListInput(full).get()->count, CUSTOR_CAPACITY);
  EXPECT_THROW(NameListInput{over}, UsageError);
  EXPECT_THROW((GroupInput{"g", over, {}}), UsageError);
  EXPECT_THROW((GroupInput{"g", {}, over}), UsageError);
  EXPECT_THROW(AclInput(std::vector<AceSpec>(CUSTOR_CAPACITY + 1)), UsageError);
}

}  // namespace
}  // namespace custor::cli
