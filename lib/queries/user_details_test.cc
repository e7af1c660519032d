#include "queries/user_details.h"

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

const std::string kUserQuery = "_XQL=/kiv:user [@kiv:userid=\"ann\"]";
const std::string kGroupsQuery = "_XQL=/kiv:group [kiv:userref=\"ann\"]sortby(@kiv:groupname)";

const std::string kUserDocument =
    "<kiv:user kiv:id=\"4\" kiv:userid=\"ann\"><profile><name>Ann "
    "Lee</name><room>12</room></profile></kiv:user>";
const std::string kGroups =
    "<kiv:group kiv:id=\"2\" kiv:groupname=\"admins\"/><kiv:group kiv:id=\"9\" kiv:groupname=\"staff\"/>";

void ExpectSession(const std::optional<Session> &actual, const std::optional<Session> &expected,
                   const char *name) {
  ASSERT_EQ(actual.has_value(), expected.has_value()) << name;
  if (!expected) return;
  EXPECT_EQ(actual->sessionId, expected->sessionId) << name;
  EXPECT_EQ(actual->sessionKey, expected->sessionKey) << name;
  EXPECT_EQ(actual->status, expected->status) << name;
}

class UserDetailsTest : public testing::AgentTest {};

TEST_F(UserDetailsTest, ReadsInEachModeWithTheIdentityOfTheReplyBefore) {
  const Session caller{"30", "c0", "0"};
  struct Case {
    const char *name;
    bool sessionless;
    const Session *callerSession;
    std::vector<testing::Reply> replies;
    std::vector<std::string> commands;
    Session session;
  };
  const Case cases[] = {
      {"sessionless",
       true,
       nullptr,
       {Result(kUserDocument), Result(kGroups)},
       {kUserQuery, kGroupsQuery},
       Session{"0", "0", "0"}},
      {"own session, committed",
       false,
       nullptr,
       {Connected({"8", "k1"}), Result(kUserDocument, Identity{"8", "k2"}),
        Result(kGroups, Identity{"8", "k3"}), Ok("Transaction committed", Identity{"8", "k4"}),
        Ok("Session closed")},
       {"_connect=*", kUserQuery + "&_sessionid=8&_sessionkey=k1",
        kGroupsQuery + "&_sessionid=8&_sessionkey=k2", "_commit=*&_sessionid=8&_sessionkey=k3",
        "_disconnect=*&_sessionid=8&_sessionkey=k4"},
       Session{"8", "k3", "0"}},
      {"caller's session, not ended",
       false,
       &caller,
       {Result(kUserDocument, Identity{"30", "c1"}), Result(kGroups, Identity{"30", "c2"})},
       {kUserQuery + "&_sessionid=30&_sessionkey=c0", kGroupsQuery + "&_sessionid=30&_sessionkey=c1"},
       Session{"30", "c2", "0"}},
  };
  for (const Case &c : cases) {
    agent().Reset();
    for (const auto &reply : c.replies) agent().Queue(reply);
    const UserDetails user = ReadUserDetails(db1(), "ann", c.sessionless, c.callerSession, true);
    EXPECT_EQ(user.status, "0") << c.name;
    EXPECT_EQ(user.data, "Ann Lee") << c.name;
    EXPECT_THAT(user.groups, ElementsAre("admins", "staff")) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    ExpectSession(user.session, c.session, c.name);
  }
}

TEST_F(UserDetailsTest, Failures) {
  const Session caller{"30", "c0", "0"};
  const Session lost{"31", "c9", "VRX@DLL PARSE_ERR"};
  struct Case {
    const char *name;
    bool sessionless;
    const Session *callerSession;
    std::vector<testing::Reply> replies;
    std::vector<std::string> commands;
    std::string status;
    std::optional<std::string> data;
    std::optional<Session> session;
  };
  const Case cases[] = {
      {"own session refused: rolled back and disconnected",
       false,
       nullptr,
       {testing::Failure("KIVXSE0031", "Too many sessions"), Ok("Transaction rolled back"),
        Ok("Session closed")},
       {"_connect=*", "_rollback=*&_sessionid=0&_sessionkey=0",
        "_disconnect=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=VRX@DLL PARSE_ERR"},
       "KIVXSE0031 Too many sessions",
       std::nullopt,
       std::nullopt},
      {"caller's session unusable: rolled back",
       false,
       &lost,
       {Ok("Transaction rolled back", Identity{"31", "c10"}), Ok("Session closed")},
       {"_rollback=*&_sessionid=31&_sessionkey=c9", "_disconnect=*&_sessionid=31&_sessionkey=c10"},
       "VRX@DLL PARSE_ERR",
       std::nullopt,
       std::nullopt},
      {"group query fails in own session: not ended, data kept",
       false,
       nullptr,
       {Connected({"8", "k1"}), Result(kUserDocument, Identity{"8", "k2"}), testing::Reply{}},
       {"_connect=*", kUserQuery + "&_sessionid=8&_sessionkey=k1",
        kGroupsQuery + "&_sessionid=8&_sessionkey=k2"},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       "Ann Lee",
       Session{"8", "k2", "0"}},
      {"group query fails sessionless",
       true,
       nullptr,
       {Result(kUserDocument), testing::Reply{}},
       {kUserQuery, kGroupsQuery},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       "Ann Lee",
       Session{"0", "0", "0"}},
      {"unknown user",
       true,
       nullptr,
       {NoResult(), NoResult()},
       {kUserQuery, kGroupsQuery},
       "0",
       "",
       Session{"0", "0", "0"}},
      {"server errors are not checked",
       true,
       nullptr,
       {testing::Failure("KIVXBE0020", "Database not found"),
        testing::Failure("KIVXBE0020", "Database not found")},
       {kUserQuery, kGroupsQuery},
       "0",
       "",
       Session{"0", "0", "0"}},
      {"user query fails: empty data, the read goes on",
       true,
       nullptr,
       {testing::Reply{}, Result("")},
       {kUserQuery, kGroupsQuery},
       "0",
       "",
       Session{"0", "0", "0"}},
  };
  for (const Case &c : cases) {
    agent().Reset();
    for (const auto &reply : c.replies) agent().Queue(reply);
    const UserDetails user = ReadUserDetails(db1(), "ann", c.sessionless, c.callerSession, true);
    EXPECT_EQ(user.status, c.status) << c.name;
    EXPECT_EQ(user.data, c.data) << c.name;
    EXPECT_THAT(user.groups, IsEmpty()) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    ExpectSession(user.session, c.session, c.name);
  }
}

TEST_F(UserDetailsTest, DataIsTheFirstKeptRunOfText) {
  struct Case {
    const char *name;
    std::string document;
    std::string data;
  };
  const Case cases[] = {
      {"nested content", kUserDocument, "Ann Lee"},
      {"leading blank skipped", "<kiv:user kiv:userid=\"ann\"><a> x</a><b>y</b></kiv:user>", "y"},
      {"an entity splits the run", "<kiv:user kiv:userid=\"ann\"><a>A &amp; B</a></kiv:user>", "A "},
      {"no text at all", "<kiv:user kiv:userid=\"ann\"/>", ""},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(Result(c.document));
    const UserDetails user = ReadUserDetails(db1(), "ann", true, nullptr, false);
    EXPECT_EQ(user.data, c.data) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAre(kUserQuery)) << c.name << ": no group query";
  }
}

TEST_F(UserDetailsTest, UserDataReadsEveryUserSessionless) {
  agent().Queue(
      {Result("<kiv:user kiv:id=\"1\" kiv:userid=\"ann\"/><kiv:user kiv:id=\"2\" kiv:userid=\"bob\"/>"
              "<kiv:user kiv:id=\"3\" kiv:userid=\"cy\"/>"),
       Result("<kiv:user kiv:userid=\"ann\"><n>first</n></kiv:user>"), testing::Reply{},
       Result("<kiv:user kiv:userid=\"cy\"><n>third</n></kiv:user>")});
  const UserDataTable table = getUserData(db1());
  EXPECT_EQ(table.status, "0");
  EXPECT_THAT(table.userIds, ElementsAre("ann", "bob", "cy"));
  EXPECT_THAT(table.userData, ElementsAre("first", "", "third"));
  EXPECT_THAT(agent().commands(),
              ElementsAre("_XQL=/kiv:user sortby(@kiv:userid)", "_XQL=/kiv:user [@kiv:userid=\"ann\"]",
                          "_XQL=/kiv:user [@kiv:userid=\"bob\"]", "_XQL=/kiv:user [@kiv:userid=\"cy\"]"));
}

TEST_F(UserDetailsTest, UserDataListFailures) {
  struct Case {
    const char *name;
    testing::Reply reply;
    std::string status;
  };
  const Case cases[] = {
      {"no reply", testing::Reply{}, "VRX@DLL CORVANE_REQUEST_FAILED"},
      {"server error is not checked", testing::Failure("KIVXBE0020", "Database not found"), "0"},
      {"no user", NoResult(), "0"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    const UserDataTable table = getUserData(db1());
    EXPECT_EQ(table.status, c.status) << c.name;
    EXPECT_THAT(table.userIds, IsEmpty()) << c.name;
    EXPECT_EQ(agent().commands().size(), 1u) << c.name;
  }
}

TEST_F(UserDetailsTest, ExportedReadersHandBackARecord) {
  agent().Queue({Result(kUserDocument), Result(kGroups)});
  UserRecord *user = ::getDetailsForUser_RO(0, "db1", "ann", 0, 0);
  ASSERT_NE(user, nullptr);
  EXPECT_STREQ(user->status, "0");
  EXPECT_STREQ(user->data, "Ann Lee");
  ASSERT_EQ(user->groupCount, 2);
  EXPECT_STREQ(user->groups[1], "staff");
  ASSERT_NE(user->session, nullptr);
  EXPECT_STREQ(user->session->sessionId, "0");
  EXPECT_STREQ(user->session->sessionKey, "0");
  EXPECT_STREQ(user->session->status, "0");
  EXPECT_THAT(agent().commands(), ElementsAre(kUserQuery, kGroupsQuery));
  std::free(user->session->sessionId);
  std::free(user->session->sessionKey);
  std::free(user->session);
  for (int i = 0; i < user->groupCount; ++i) std::free(user->groups[i]);
  std::free(user->data);
  std::free(user);
}

TEST_F(UserDetailsTest, ExportedUserDataList) {
  agent().Queue(
      {Result("<kiv:user kiv:userid=\"ann\"/>"), Result("<kiv:user kiv:userid=\"ann\"><n>x</n></kiv:user>")});
  UserDataList *list = ::getUserData(0, "db1", 0, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->status, "0");
  ASSERT_EQ(list->count, 1);
  EXPECT_STREQ(list->userIds[0], "ann");
  EXPECT_STREQ(list->userData[0], "x");
  std::free(list->userIds[0]);
  std::free(list->userData[0]);
  std::free(list);
}

}  // namespace
}  // namespace custor
