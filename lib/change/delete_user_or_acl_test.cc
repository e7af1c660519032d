#include "change/delete_user_or_acl.h"

#include "agent/fixture.h"
#include "change/transaction_script.h"

namespace custor {
namespace {

using ::testing::ElementsAreArray;
using testing::Next;
using testing::TransactionScript;
using Script = TransactionScript;

std::string UserRefs(const std::vector<std::string> &users) {
  std::string refs;
  for (const std::string &u : users) refs += "<kiv:userref>" + u + "</kiv:userref>";
  return refs;
}
std::string AclRefs(const std::vector<std::string> &acls) {
  std::string refs;
  for (const std::string &a : acls) refs += "<kiv:aclref>" + a + "</kiv:aclref>";
  return refs;
}
std::string GroupDocument(const std::string &id, const std::string &name, const std::string &refs) {
  return "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"" + id +
         "\" kiv:groupname=\"" + name + "\" xmlns:kiv=\"" + std::string(kNamespace) + "\">" + refs +
         "</kiv:group>";
}
std::string GroupNode(const std::string &id, const std::string &name) {
  return "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name +
         "\"><kiv:userref>x</kiv:userref></kiv:group>";
}

const char kDeleteUser[] = "_delete=kiv:user[@kiv:userid=\"u\"]";
const char kDeleteAcl[] = "_delete=kiv:acl[@kiv:aclname=\"u\"]";
const char kUserGroups[] = "_XQL=/kiv:group [kiv:userref=\"u\"]";
const char kAclGroups[] = "_XQL=/kiv:group [kiv:aclref=\"u\"]";

class DeleteUserOrAclTest : public testing::AgentTest {
 protected:
  // Runs the delete of "u" against the script and checks the commands sent.
  CheckResult Run(const Script &script, int kind, const Session *session = nullptr) {
    script.QueueInto(agent());
    CheckResult result = DeleteUserOrAcl(db1(), "u", kind, session);
    EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands()));
    return result;
  }
};

TEST_F(DeleteUserOrAclTest, NoReferringGroupDeletesQueriesAndCommits) {
  for (const int kind : {kUserKind, kAclKind}) {
    agent().Reset();
    Script script;
    script.Connect()
        .Send(kind == kUserKind ? kDeleteUser : kDeleteAcl, Script::OkWith("Document deleted"))
        .Send(kind == kUserKind ? kUserGroups : kAclGroups, Script::NoResultWith())
        .Commit();
    const CheckResult result = Run(script, kind);
    EXPECT_EQ(result.status, "0");
    EXPECT_FALSE(result.session.has_value());
  }
}

TEST_F(DeleteUserOrAclTest, RewrittenGroupKeepsEveryOtherReference) {
  struct Case {
    const char *name;
    int kind;
    std::vector<std::string> users;
    std::vector<std::string> acls;
    std::string refs;
  };
  const Case cases[] = {
      {"user among users and an ACL",
       kUserKind,
       {"t", "u", "v"},
       {"a"},
       UserRefs({"t", "v"}) + AclRefs({"a"})},
      {"ACL among ACLs and users",
       kAclKind,
       {"t", "v"},
       {"a", "u", "z"},
       UserRefs({"t", "v"}) + AclRefs({"a", "z"})},
      {"user beside a same-named ACL", kUserKind, {"u"}, {"u"}, AclRefs({"u"})},
      {"ACL beside a same-named user", kAclKind, {"u"}, {"u"}, UserRefs({"u"})},
      {"only reference", kUserKind, {"u"}, {}, ""},
      {"only reference, ACL", kAclKind, {}, {"u"}, ""},
      {"letter case and blanks differ", kUserKind, {"U", "u", "u "}, {}, UserRefs({"U", "u "})},
      {"referred to twice", kUserKind, {"u", "u", "w"}, {}, UserRefs({"w"})},
      {"reference no longer there", kUserKind, {"w"}, {"a"}, UserRefs({"w"}) + AclRefs({"a"})},
  };
  for (const Case &c : cases) {
    agent().Reset();
    Script script;
    script.Connect()
        .Send(c.kind == kUserKind ? kDeleteUser : kDeleteAcl, Script::OkWith("Document deleted"))
        .Send(c.kind == kUserKind ? kUserGroups : kAclGroups, Script::ResultWith(GroupNode("31", "Team A")))
        .ReadGroup("Team A", "31", c.users, c.acls)
        .Send(GroupDocument("31", "Team A", c.refs), Script::OkWith("Document stored"))
        .Commit();
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run(script, c.kind).status, "0");
  }
}

TEST_F(DeleteUserOrAclTest, EveryReferringGroupIsRewrittenInReplyOrder) {
  Script script;
  script.Connect()
      .Send(kDeleteUser, Script::OkWith("Document deleted"))
      .Send(kUserGroups, Script::ResultWith(GroupNode("9", "G2") + GroupNode("4", "G1")))
      .ReadGroup("G2", "9", {"u", "v"}, {"a1", "a2"})
      .Send(GroupDocument("9", "G2", UserRefs({"v"}) + AclRefs({"a1", "a2"})),
            Script::OkWith("Document stored"))
      .ReadGroup("G1", "4", {"b", "u"}, {})
      // A group the server refuses to store does not stop the operation.
      .Send(GroupDocument("4", "G1", UserRefs({"b"})), Script::FailureWith("KIVXXE8610", "unknown error"),
            Next::kSameKey)
      .Commit();
  EXPECT_EQ(Run(script, kUserKind).status, "0");
}

TEST_F(DeleteUserOrAclTest, RefusedDeleteStillCleansUp) {
  Script script;
  script.Connect()
      .Send(kDeleteUser, Script::FailureWith("KIVXLE0060", "Database locked by another session"),
            Next::kSameKey)
      .Send(kUserGroups, Script::ResultWith(GroupNode("4", "G1")))
      .ReadGroup("G1", "4", {"u"}, {})
      .Send(GroupDocument("4", "G1", ""), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(script, kUserKind).status, "0");
}

TEST_F(DeleteUserOrAclTest, InTheCallersTransactionNothingIsCommitted) {
  Script script;
  script.Given("12", "given")
      .Send(kDeleteAcl, Script::OkWith("Document deleted"))
      .Send(kAclGroups, Script::ResultWith(GroupNode("4", "G1")))
      .ReadGroup("G1", "4", {"x"}, {"u"})
      .Send(GroupDocument("4", "G1", UserRefs({"x"})), Script::OkWith("Document stored"));
  const Session given{"12", "given", "0"};
  const CheckResult result = Run(script, kAclKind, &given);
  EXPECT_EQ(result.status, "0");
  ASSERT_TRUE(result.session.has_value());
  EXPECT_EQ(result.session->sessionId, "12");
  EXPECT_EQ(result.session->sessionKey, script.identity().key);
  EXPECT_EQ(result.session->status, "0");
}

TEST_F(DeleteUserOrAclTest, MissingObjectRollsBackWithTheIdentityOfTheDelete) {
  for (const bool own : {true, false}) {
    agent().Reset();
    Script script;
    if (own) {
      script.Connect();
    } else {
      script.Given("12", "given");
    }
    script.Send(kDeleteUser, Script::FailureWith("KIVXIE8300", "No matching document found"), Next::kSameKey)
        .Rollback();
    const Session given{"12", "given", "0"};
    const CheckResult result = Run(script, kUserKind, own ? nullptr : &given);
    EXPECT_EQ(result.status, "KIVXIE8300 No matching document found");
    EXPECT_FALSE(result.session.has_value());
  }
}

TEST_F(DeleteUserOrAclTest, FailuresStopWhereTheSessionIsLost) {
  struct Case {
    const char *name;
    std::function<void(Script &)> script;
    std::string status;
  };
  const Case cases[] = {
      {"connect without session id",
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); },
       "KIVAAE0370 no session "},
      {"connect refused: the commands carry id and key 0",
       [](Script &s) {
         s.Sessionless("_connect=*", testing::Failure("KIVXSE0031", "Too many sessions"))
             .Given("0", "0")
             .Send(kDeleteUser, Script::FailureWith("KIVXSE0030", "Invalid session"), Next::kNoIdentity);
       },
       "KIVAAE0370 no session "},
      {"delete reply without identity",
       [](Script &s) {
         s.Connect().Send(kDeleteUser, Script::OkWith("Document deleted"), Next::kNoIdentity);
       },
       "KIVAAE0370 no session "},
      {"query reply without identity",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::OkWith("Document deleted"))
             .Send(kUserGroups, Script::ResultWith(GroupNode("4", "G1")), Next::kNoIdentity);
       },
       "KIVAAE0370 no session "},
      {"group read without reply",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::OkWith("Document deleted"))
             .Send(kUserGroups, Script::ResultWith(GroupNode("4", "G1")))
             .Unanswered("_XQL=/kiv:group [@kiv:groupname=\"G1\"] /kiv:userref sortby(.)");
       },
       "KIVAAF0369 group not rewritten "},
      {"group read loses the session",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::OkWith("Document deleted"))
             .Send(kUserGroups, Script::ResultWith(GroupNode("4", "G1")))
             .ReadGroup("G1", "4", {"u"}, {}, Next::kNoIdentity);
       },
       "KIVAAF0369 group not rewritten "},
      {"group store reply without identity, second group untouched",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::OkWith("Document deleted"))
             .Send(kUserGroups, Script::ResultWith(GroupNode("4", "G1") + GroupNode("5", "G2")))
             .ReadGroup("G1", "4", {"u"}, {})
             .Send(GroupDocument("4", "G1", ""), Script::OkWith("Document stored"), Next::kNoIdentity);
       },
       "KIVAAF0369 group not rewritten "},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0370", " no session");
    agent().SetMessage("KIVAAF0369", " group not rewritten");
    Script script;
    c.script(script);
    const CheckResult result = Run(script, kUserKind);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_FALSE(result.session.has_value()) << c.name;
  }
}

TEST_F(DeleteUserOrAclTest, UnreadableSessionRecordSendsNothing) {
  const Session lost{"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR"};
  EXPECT_EQ(DeleteUserOrAcl(db1(), "u", kUserKind, &lost).status, "VRX@DLL PARSE_ERR");
  const Session connected_without_id{"VRX@DLL PARSE_ERR", "VRX@DLL PARSE_ERR", "0"};
  EXPECT_EQ(DeleteUserOrAcl(db1(), "u", kAclKind, &connected_without_id).status, "KIVAAE0370");
  EXPECT_TRUE(agent().requests().empty());
}

TEST_F(DeleteUserOrAclTest, LongNamesAreComposedWhole) {
  const std::string name(400, 'n');
  Script script;
  script.Connect()
      .Send("_delete=kiv:user[@kiv:userid=\"" + name + "\"]", Script::OkWith("Document deleted"))
      .Send("_XQL=/kiv:group [kiv:userref=\"" + name + "\"]", Script::ResultWith(GroupNode("4", "G1")))
      .ReadGroup("G1", "4", {name, std::string(300, 'm')}, {})
      .Send(GroupDocument("4", "G1", UserRefs({std::string(300, 'm')})), Script::OkWith("Document stored"))
      .Commit();
  script.QueueInto(agent());
  EXPECT_EQ(deleteUser(db1(), name), "0");
  EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands()));
}

}  // namespace
}  // namespace custor
