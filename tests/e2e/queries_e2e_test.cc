// The readers against a real corvaned: documents seeded with _process are read back sessionless and in
// the readers' own sessions, with the server's sorting, serialisation and session keys.
#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;

class QueriesEndToEnd : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    // Seeded out of order: what the readers list sorted, the server sorted.
    Seed({UserDoc("bob", "bob's data"), UserDoc("ann", "<p><name>Ann Lee</name><room>12</room></p>"),
          UserDoc("u1", "<n>Zo\xC3\xAB Br\xC3\xB6nte</n>"), UserDoc("u2", "<n>AT&amp;T</n>"),
          UserDoc("u3", "<a>\xC3\x9Cnal</a><b>second</b>"),
          GroupDoc("staff", {"bob", "ann"}, {"web", "docs"}), GroupDoc("admins", {"ann"}, {"docs"}),
          GroupDoc("guests", {"bob"}), AclDoc("web"),
          AclDoc("docs", {{"write", "staff"}, {"none", "guests"}, {"read", "all"}})});
    Mark();
  }
};

TEST_F(QueriesEndToEnd, NameListsAndUserDataComeSorted) {
  cli::Owned<NameList> users(getUsers(0, db(), 0, 0)), groups(getGroups(0, db(), 0, 0)),
      acls(getACLs(0, db(), 0, 0));
  EXPECT_THAT(Texts(users->names, users->count), ElementsAre("ann", "bob", "u1", "u2", "u3"));
  EXPECT_THAT(Texts(groups->names, groups->count), ElementsAre("admins", "guests", "staff"));
  EXPECT_THAT(Texts(acls->names, acls->count), ElementsAre("docs", "web"));
  // The data is the first run of text as the parser delivers it: an entity reference ends a run.
  cli::Owned<UserDataList> data(getUserData(0, db(), 0, 0));
  EXPECT_THAT(Texts(data->userIds, data->count), ElementsAre("ann", "bob", "u1", "u2", "u3"));
  EXPECT_THAT(Texts(data->userData, data->count),
              ElementsAre("Ann Lee", "bob's data", "Zo\xC3\xAB Br\xC3\xB6nte", "AT", "second"));
}

TEST_F(QueriesEndToEnd, UserGroupAndAclReadAloneAndInTheirOwnSessions) {
  const std::string group_id = Id(StoredGroup("staff")),
                    acl_id = Id(Stored("/kiv:acl [@kiv:aclname=\"docs\"]"));
  ASSERT_FALSE(group_id.empty());
  for (const bool in_session : {false, true}) {
    SCOPED_TRACE(in_session);
    Mark();
    cli::Owned<UserRecord> user(
        (in_session ? getDetailsForUser : getDetailsForUser_RO)(0, db(), "ann", 0, 0));
    EXPECT_STREQ(user->data, "Ann Lee");
    EXPECT_THAT(Texts(user->groups, user->groupCount), ElementsAre("admins", "staff"));
    const std::string user_query = "_XQL=/kiv:user [@kiv:userid=\"ann\"]",
                      groups_query = "_XQL=/kiv:group [kiv:userref=\"ann\"]sortby(@kiv:groupname)";
    const std::vector<std::string> in_own = {"_connect=*", "S " + user_query, "S " + groups_query,
                                             "S _commit=*", "S _disconnect=*"};
    EXPECT_EQ(Steps(), in_session ? in_own : std::vector<std::string>({user_query, groups_query}));

    cli::Owned<GroupRecord> group(
        (in_session ? getDataForGroup : getDataForGroup_RO)(0, db(), "staff", 0, 0));
    EXPECT_EQ(group->nameOrId, group_id);
    EXPECT_THAT(Texts(group->users, group->userCount), ElementsAre("ann", "bob"));
    EXPECT_THAT(Texts(group->acls, group->aclCount), ElementsAre("docs", "web"));

    Mark();
    cli::Owned<AclRecord> acl((in_session ? getDataForACL : getDataForACL_RO)(0, db(), "docs", 0, 0));
    EXPECT_EQ(acl->id, acl_id);
    std::vector<std::string> entries;
    for (int i = 0; i < acl->aceCount; ++i)
      entries.push_back(acl->aces[i]->access + (":" + cli::Text(acl->aces[i]->text)));
    EXPECT_THAT(entries, ElementsAre("write:staff", "none:guests", "read:all")) << "in document order";
    EXPECT_THAT(Texts(acl->groups, acl->groupCount), ElementsAre("admins", "staff"));
    const std::vector<std::string> steps = Steps();
    EXPECT_EQ(steps.size(), in_session ? 5u : 2u);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "S _rollback=*"), in_session ? 1 : 0);
  }
}

TEST_F(QueriesEndToEnd, UnknownObjectsReadAsEmptyRecords) {
  cli::Owned<UserRecord> user(getDetailsForUser_RO(0, db(), "nobody", 0, 0));
  cli::Owned<GroupRecord> group(getDataForGroup_RO(0, db(), "nogroup", 0, 0));
  Mark();
  cli::Owned<AclRecord> acl(getDataForACL_RO(0, db(), "noacl", 0, 0));
  EXPECT_EQ(std::string(user->status) + "|" + user->data + "|" + std::to_string(user->groupCount), "0||0");
  EXPECT_EQ(std::string(group->status) + "|" + group->nameOrId, "0|VRX@DLL PARSE_ERR");
  EXPECT_STREQ(acl->status, "XQL request processed, no object returned");
  EXPECT_THAT(acl->session->status, ::testing::StartsWith("KIVAAE0372"));
  EXPECT_EQ(acl->aceCount + acl->groupCount, 0);
  EXPECT_EQ(Steps().size(), 1u) << "an unknown ACL ends the read after its first query";
}

}  // namespace
}  // namespace custor::e2e
