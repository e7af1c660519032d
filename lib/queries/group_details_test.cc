#include "queries/group_details.h"

#include <cstdlib>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

using testing::Connected;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::Identity;
using ::testing::IsEmpty;
using testing::NoResult;
using testing::Ok;
using testing::Result;

const std::string kUsersQuery = "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:userref sortby(.)";
const std::string kAclsQuery = "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:aclref sortby(.)";
const std::string kGroupQuery = "_XQL=/kiv:group [@kiv:groupname=\"staff\"]";

const std::string kUserRefs = "<kiv:userref>ann</kiv:userref><kiv:userref>bob</kiv:userref>";
const std::string kAclRefs = "<kiv:aclref>docs</kiv:aclref>";
const std::string kGroupDocument =
    "<kiv:group kiv:id=\"17\" kiv:groupname=\"staff\"><kiv:userref>bob</kiv:userref>"
    "<kiv:userref>ann</kiv:userref><kiv:aclref>docs</kiv:aclref></kiv:group>";

class GroupDetailsTest : public testing::AgentTest {};

TEST_F(GroupDetailsTest, ReadsInEachModeWithTheIdentityOfTheReplyBefore) {
  const Session caller{"30", "c0", "0"};
  struct Case {
    const char *name;
    const Session *callerSession;
    bool sessionless;
    std::vector<testing::Reply> replies;
    std::vector<std::string> commands;
    std::optional<Session> session;
  };
  const Case cases[] = {
      {"sessionless",
       nullptr,
       true,
       {Result(kUserRefs), Result(kAclRefs), Result(kGroupDocument)},
       {kUsersQuery, kAclsQuery, kGroupQuery},
       std::nullopt},
      {"own session, committed",
       nullptr,
       false,
       {Connected({"8", "k1"}), Result(kUserRefs, Identity{"8", "k2"}), Result(kAclRefs, Identity{"8", "k3"}),
        Result(kGroupDocument, Identity{"8", "k4"}), Ok("Transaction committed", Identity{"8", "k5"}),
        Ok("Session closed")},
       {"_connect=*", kUsersQuery + "&_sessionid=8&_sessionkey=k1",
        kAclsQuery + "&_sessionid=8&_sessionkey=k2", kGroupQuery + "&_sessionid=8&_sessionkey=k3",
        "_commit=*&_sessionid=8&_sessionkey=k4", "_disconnect=*&_sessionid=8&_sessionkey=k5"},
       std::nullopt},
      {"caller's session, handed back with the last identity",
       &caller,
       false,
       {Result(kUserRefs, Identity{"30", "c1"}), Result(kAclRefs, Identity{"30", "c2"}),
        Result(kGroupDocument, Identity{"30", "c3"})},
       {kUsersQuery + "&_sessionid=30&_sessionkey=c0", kAclsQuery + "&_sessionid=30&_sessionkey=c1",
        kGroupQuery + "&_sessionid=30&_sessionkey=c2"},
       Session{"30", "c3", "0"}},
      {"sessionless wins over a caller's session",
       &caller,
       true,
       {Result(kUserRefs), Result(kAclRefs), Result(kGroupDocument)},
       {kUsersQuery, kAclsQuery, kGroupQuery},
       std::nullopt},
  };
  for (const Case &c : cases) {
    agent().Reset();
    for (const auto &reply : c.replies) agent().Queue(reply);
    const GroupData group = ReadGroupData(db1(), "staff", c.callerSession, c.sessionless);
    EXPECT_EQ(group.status, "0") << c.name;
    EXPECT_EQ(group.nameOrId, "17") << c.name;
    EXPECT_THAT(group.users, ElementsAre("ann", "bob")) << c.name;
    EXPECT_THAT(group.acls, ElementsAre("docs")) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    EXPECT_EQ(group.session, c.session) << c.name;
  }
}

TEST_F(GroupDetailsTest, Failures) {
  const Session caller{"30", "c0", "0"};
  const Session lost{"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR"};
  struct Case {
    const char *name;
    const Session *callerSession;
    bool sessionless;
    std::vector<testing::Reply> replies;
    std::vector<std::string> commands;
    std::string status;
    std::optional<std::string> nameOrId;
    bool session_handed_back;
  };
  const Case cases[] = {
      {"own session refused: rolled back and disconnected",
       nullptr,
       false,
       {testing::Failure("KIVXSE0031", "Too many sessions"),
        testing::Failure("KIVXSE0030", "Invalid session"), Ok("Session closed")},
       {"_connect=*", "_rollback=*&_sessionid=0&_sessionkey=0",
        "_disconnect=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=VRX@DLL PARSE_ERR"},
       "KIVXSE0031 Too many sessions",
       std::nullopt,
       false},
      {"caller's session unusable: nothing sent, handed back",
       &lost,
       false,
       {},
       {},
       "VRX@DLL PARSE_ERR",
       std::nullopt,
       true},
      {"first request fails, sessionless",
       nullptr,
       true,
       {testing::Reply{}},
       {kUsersQuery},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       std::nullopt,
       false},
      {"first request fails in own session: not ended",
       nullptr,
       false,
       {Connected({"8", "k1"}), testing::Reply{}},
       {"_connect=*", kUsersQuery + "&_sessionid=8&_sessionkey=k1"},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       std::nullopt,
       false},
      {"first request fails in caller's session: not handed back",
       &caller,
       false,
       {testing::Reply{}},
       {kUsersQuery + "&_sessionid=30&_sessionkey=c0"},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       std::nullopt,
       false},
      {"unknown group",
       nullptr,
       true,
       {NoResult(), NoResult(), NoResult()},
       {kUsersQuery, kAclsQuery, kGroupQuery},
       "0",
       "VRX@DLL PARSE_ERR",
       false},
      {"server errors are not checked",
       nullptr,
       true,
       {testing::Failure("KIVXBE0020", "Database not found"),
        testing::Failure("KIVXBE0020", "Database not found"),
        testing::Failure("KIVXBE0020", "Database not found")},
       {kUsersQuery, kAclsQuery, kGroupQuery},
       "0",
       "VRX@DLL PARSE_ERR",
       false},
      {"later requests fail: read as empty",
       nullptr,
       true,
       {NoResult(), testing::Reply{}, testing::Reply{}},
       {kUsersQuery, kAclsQuery, kGroupQuery},
       "0",
       "VRX@DLL PARSE_ERR",
       false},
  };
  for (const Case &c : cases) {
    agent().Reset();
    for (const auto &reply : c.replies) agent().Queue(reply);
    const GroupData group = ReadGroupData(db1(), "staff", c.callerSession, c.sessionless);
    EXPECT_EQ(group.status, c.status) << c.name;
    EXPECT_EQ(group.nameOrId, c.nameOrId) << c.name;
    EXPECT_THAT(group.users, IsEmpty()) << c.name;
    EXPECT_THAT(group.acls, IsEmpty()) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    ASSERT_EQ(group.session.has_value(), c.session_handed_back) << c.name;
    if (c.session_handed_back) {
      EXPECT_EQ(group.session->sessionId, c.callerSession->sessionId) << c.name;
      EXPECT_EQ(group.session->sessionKey, c.callerSession->sessionKey) << c.name;
      EXPECT_EQ(group.session->status, c.callerSession->status) << c.name;
    }
  }
}

TEST_F(GroupDetailsTest, AGroupWithoutReferencesStillHasItsId) {
  agent().Queue({NoResult(), Result(""), Result("<kiv:group kiv:id=\"3\" kiv:groupname=\"staff\"/>")});
  const GroupData group = getDataForGroup_RO(db1(), "staff");
  EXPECT_EQ(group.status, "0");
  EXPECT_EQ(group.nameOrId, "3");
  EXPECT_THAT(group.users, IsEmpty());
  EXPECT_THAT(group.acls, IsEmpty());
}

TEST_F(GroupDetailsTest, LongNamesAreSentWholeAndTheFirst2000ReferencesKept) {
  const std::string name(3000, 'g');
  std::string refs;
  for (int i = 0; i < 2001; ++i) refs += "<kiv:userref>u" + std::to_string(i) + "</kiv:userref>";
  agent().Queue({Result(refs), NoResult(), NoResult()});
  const GroupData group = getDataForGroup_RO(db1(), name);
  ASSERT_EQ(group.users.size(), 2000u);
  EXPECT_EQ(group.users[1999], "u1999");
  ASSERT_EQ(agent().commands().size(), 3u);
  EXPECT_EQ(agent().commands()[2], "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]");
}

TEST_F(GroupDetailsTest, ExportedReadersHandBackARecord) {
  agent().Queue({Connected({"8", "k1"}), Result(kUserRefs, Identity{"8", "k2"}),
                 Result(kAclRefs, Identity{"8", "k3"}), Result(kGroupDocument, Identity{"8", "k4"}),
                 Ok("Transaction committed", Identity{"8", "k5"}), Ok("Session closed")});
  GroupRecord *group = ::getDataForGroup(0, "db1", "staff", 0, 0);
  ASSERT_NE(group, nullptr);
  EXPECT_STREQ(group->nameOrId, "17");
  EXPECT_STREQ(group->status, "0");
  ASSERT_EQ(group->userCount, 2);
  EXPECT_STREQ(group->users[0], "ann");
  EXPECT_STREQ(group->users[1], "bob");
  ASSERT_EQ(group->aclCount, 1);
  EXPECT_STREQ(group->acls[0], "docs");
  EXPECT_EQ(group->session, nullptr);
  EXPECT_EQ(agent().commands().size(), 6u);
  std::free(group->nameOrId);
  for (int i = 0; i < group->userCount; ++i) std::free(group->users[i]);
  for (int i = 0; i < group->aclCount; ++i) std::free(group->acls[i]);
  std::free(group);
}

}  // namespace
}  // namespace custor
