#include "queries/acl_details.h"

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

const std::string kAclQuery = "_XQL=/kiv:acl [@kiv:aclname=\"docs\"]";
const std::string kGroupsQuery = "_XQL=/kiv:group [kiv:aclref=\"docs\"]sortby(@kiv:groupname asc)";

const std::string kAclDocument =
    "<kiv:acl kiv:id=\"41\" kiv:aclname=\"docs\"><kiv:ace kiv:access=\"write\">staff</kiv:ace>"
    "<kiv:ace kiv:access=\"read\">all</kiv:ace></kiv:acl>";
const std::string kGroups =
    "<kiv:group kiv:id=\"2\" kiv:groupname=\"admins\"/><kiv:group kiv:id=\"9\" kiv:groupname=\"staff\"/>";

MATCHER_P2(IsAce, access, text, "") { return arg.access == access && arg.text == text && arg.omit.empty(); }

class AclDetailsTest : public testing::AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    agent().SetMessage("KIVAAE0372", " ACL could not be read");
  }
};

TEST_F(AclDetailsTest, ReadsInEachModeWithTheIdentityOfTheReplyBefore) {
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
       {Result(kAclDocument), Result(kGroups)},
       {kAclQuery, kGroupsQuery},
       std::nullopt},
      {"own session, rolled back",
       nullptr,
       false,
       {Connected({"8", "k1"}), Result(kAclDocument, Identity{"8", "k2"}),
        Result(kGroups, Identity{"8", "k3"}), Ok("Transaction rolled back", Identity{"8", "k4"}),
        Ok("Session closed")},
       {"_connect=*", kAclQuery + "&_sessionid=8&_sessionkey=k1",
        kGroupsQuery + "&_sessionid=8&_sessionkey=k2", "_rollback=*&_sessionid=8&_sessionkey=k3",
        "_disconnect=*&_sessionid=8&_sessionkey=k4"},
       std::nullopt},
      {"caller's session, handed back with the last identity",
       &caller,
       false,
       {Result(kAclDocument, Identity{"30", "c1"}), Result(kGroups, Identity{"30", "c2"})},
       {kAclQuery + "&_sessionid=30&_sessionkey=c0", kGroupsQuery + "&_sessionid=30&_sessionkey=c1"},
       Session{"30", "c2", "0"}},
  };
  for (const Case &c : cases) {
    agent().Reset();
    for (const auto &reply : c.replies) agent().Queue(reply);
    const AclData acl = ReadAclData(db1(), "docs", c.callerSession, c.sessionless);
    EXPECT_EQ(acl.status, "0") << c.name;
    EXPECT_EQ(acl.id, "41") << c.name;
    EXPECT_THAT(acl.aces, ElementsAre(IsAce("write", "staff"), IsAce("read", "all"))) << c.name;
    EXPECT_THAT(acl.groups, ElementsAre("admins", "staff")) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    EXPECT_EQ(acl.session, c.session) << c.name;
  }
}

TEST_F(AclDetailsTest, Failures) {
  const Session caller{"30", "c0", "0"};
  const Session lost{"31", "c9", "VRX@DLL PARSE_ERR"};
  const Session not_read{"", "", "KIVAAE0372 ACL could not be read "};
  struct Case {
    const char *name;
    const Session *callerSession;
    bool sessionless;
    std::vector<testing::Reply> replies;
    std::vector<std::string> commands;
    std::string status;
    std::optional<Session> session;
  };
  const Case cases[] = {
      {"own session refused: rolled back and disconnected",
       nullptr,
       false,
       {testing::Failure("KIVXSE0031", "Too many sessions"), Ok("Transaction rolled back"),
        Ok("Session closed")},
       {"_connect=*", "_rollback=*&_sessionid=0&_sessionkey=0",
        "_disconnect=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=VRX@DLL PARSE_ERR"},
       "KIVXSE0031 Too many sessions",
       std::nullopt},
      {"caller's session unusable: rolled back too",
       &lost,
       false,
       {Ok("Transaction rolled back", Identity{"31", "c10"}), Ok("Session closed")},
       {"_rollback=*&_sessionid=31&_sessionkey=c9", "_disconnect=*&_sessionid=31&_sessionkey=c10"},
       "VRX@DLL PARSE_ERR",
       std::nullopt},
      {"first request fails in own session: not ended",
       nullptr,
       false,
       {Connected({"8", "k1"}), testing::Reply{}},
       {"_connect=*", kAclQuery + "&_sessionid=8&_sessionkey=k1"},
       "VRX@DLL CORVANE_REQUEST_FAILED",
       std::nullopt},
      {"unknown ACL: the message line",
       nullptr,
       true,
       {NoResult()},
       {kAclQuery},
       "XQL request processed, no object returned",
       not_read},
      {"unknown ACL in own session: not ended",
       nullptr,
       false,
       {Connected({"8", "k1"}), NoResult(Identity{"8", "k2"})},
       {"_connect=*", kAclQuery + "&_sessionid=8&_sessionkey=k1"},
       "XQL request processed, no object returned",
       not_read},
      {"unknown ACL in caller's session",
       &caller,
       false,
       {NoResult(Identity{"30", "c1"})},
       {kAclQuery + "&_sessionid=30&_sessionkey=c0"},
       "XQL request processed, no object returned",
       not_read},
      {"server error without a message line",
       nullptr,
       true,
       {testing::Failure("KIVXBE0020", "Database not found")},
       {kAclQuery},
       "KIVAAE0372 ACL could not be read ",
       not_read},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0372", " ACL could not be read");
    for (const auto &reply : c.replies) agent().Queue(reply);
    const AclData acl = ReadAclData(db1(), "docs", c.callerSession, c.sessionless);
    EXPECT_EQ(acl.status, c.status) << c.name;
    EXPECT_EQ(acl.id, std::nullopt) << c.name;
    EXPECT_THAT(acl.aces, IsEmpty()) << c.name;
    EXPECT_THAT(acl.groups, IsEmpty()) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
    EXPECT_EQ(acl.session, c.session) << c.name;
  }
}

TEST_F(AclDetailsTest, EntriesAndValuesArePairedByPosition) {
  struct Case {
    const char *name;
    std::string document;
    std::vector<Ace> aces;
    std::string id;
  };
  const Case cases[] = {
      {"an entry without an access value gets the empty text",
       "<kiv:acl kiv:id=\"5\"><kiv:ace "
       "kiv:access=\"read\">a</kiv:ace><kiv:ace>b</kiv:ace><kiv:ace>c</kiv:ace></kiv:acl>",
       {{"read", "a", ""}, {"", "b", ""}, {"", "c", ""}},
       "5"},
      {"an empty entry drops out and shifts the pairing",
       "<kiv:acl kiv:id=\"5\"><kiv:ace kiv:access=\"read\"></kiv:ace><kiv:ace "
       "kiv:access=\"write\">b</kiv:ace></kiv:acl>",
       {{"read", "b", ""}},
       "5"},
      {"a document without kiv:id",
       "<kiv:acl><kiv:ace kiv:access=\"read\">a</kiv:ace></kiv:acl>",
       {{"read", "a", ""}},
       "VRX@DLL PARSE_ERR"},
      {"an ACL without entries", "<kiv:acl kiv:id=\"6\" kiv:aclname=\"docs\"/>", {}, "6"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue({Result(c.document), NoResult()});
    const AclData acl = getDataForACL_RO(db1(), "docs");
    EXPECT_EQ(acl.status, "0") << c.name;
    EXPECT_EQ(acl.id, c.id) << c.name;
    ASSERT_EQ(acl.aces.size(), c.aces.size()) << c.name;
    for (std::size_t i = 0; i < c.aces.size(); ++i) {
      EXPECT_THAT(acl.aces[i], IsAce(c.aces[i].access, c.aces[i].text)) << c.name << " entry " << i;
    }
    EXPECT_THAT(acl.groups, IsEmpty()) << c.name;
  }
}

TEST_F(AclDetailsTest, AFailedGroupQueryReadsAsNoGroup) {
  agent().Queue({Result(kAclDocument), testing::Reply{}});
  const AclData acl = getDataForACL_RO(db1(), "docs");
  EXPECT_EQ(acl.status, "0");
  EXPECT_EQ(acl.aces.size(), 2u);
  EXPECT_THAT(acl.groups, IsEmpty());
}

TEST_F(AclDetailsTest, ExportedReadersHandBackARecord) {
  agent().Queue({Result(kAclDocument), Result(kGroups)});
  AclRecord *acl = ::getDataForACL_RO(0, "db1", "docs", 0, 0);
  ASSERT_NE(acl, nullptr);
  EXPECT_STREQ(acl->status, "0");
  EXPECT_STREQ(acl->id, "41");
  ASSERT_EQ(acl->aceCount, 2);
  EXPECT_STREQ(acl->aces[1]->access, "read");
  EXPECT_STREQ(acl->aces[1]->text, "all");
  EXPECT_EQ(acl->aces[1]->omit, nullptr);
  ASSERT_EQ(acl->groupCount, 2);
  EXPECT_STREQ(acl->groups[0], "admins");
  EXPECT_EQ(acl->session, nullptr);
  EXPECT_THAT(agent().commands(), ElementsAre(kAclQuery, kGroupsQuery));
  for (int i = 0; i < acl->aceCount; ++i) {
    std::free(acl->aces[i]->access);
    std::free(acl->aces[i]->text);
    std::free(acl->aces[i]);
  }
  for (int i = 0; i < acl->groupCount; ++i) std::free(acl->groups[i]);
  std::free(acl->id);
  std::free(acl);
}

}  // namespace
}  // namespace custor
