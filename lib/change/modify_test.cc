#include "change/modify.h"

#include "agent/fixture.h"
#include "change/transaction_script.h"

namespace custor {
namespace {

using ::testing::ElementsAreArray;
using testing::Next;
using Script = testing::TransactionScript;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";
std::string Xmlns() { return " xmlns:kiv=\"" + std::string(kNamespace) + "\">"; }

std::string Refs(const char *element, const std::vector<std::string> &names) {
  std::string refs;
  for (const std::string &n : names) refs += std::string("<") + element + ">" + n + "</" + element + ">";
  return refs;
}
std::string UserRefs(const std::vector<std::string> &users) { return Refs("kiv:userref", users); }
std::string AclRefs(const std::vector<std::string> &acls) { return Refs("kiv:aclref", acls); }
// A group rewritten in place under its kiv:id.
std::string GroupRewrite(const std::string &id, const std::string &name, const std::string &refs) {
  return "_process=" + kDeclaration + "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"" +
         Xmlns() + refs + "</kiv:group>";
}
// A new group document, without kiv:id.
std::string NewGroup(const std::string &name, const std::string &refs) {
  return "_process=" + kDeclaration + "<kiv:group kiv:groupname=\"" + name + "\"" + Xmlns() + refs +
         "</kiv:group>";
}
std::string UserDocument(const std::string &userid, const std::string &content) {
  return "_process=<kiv:user kiv:userid=\"" + userid + "\"" + Xmlns() + content + "</kiv:user>";
}
std::string AclDocument(const std::string &aclname, const std::string &entries) {
  return "_process=" + kDeclaration + "<kiv:acl kiv:aclname=\"" + aclname + "\"" + Xmlns() + entries +
         "</kiv:acl>";
}
std::string GroupNodes(const std::vector<std::pair<std::string, std::string>> &groups) {
  std::string nodes;
  for (const auto &[id, name] : groups)
    nodes += "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"/>";
  return nodes;
}
std::string Lookup(const char *kind, const char *attribute, const std::string &name) {
  return std::string("_XQL=/") + kind + " [@" + attribute + "=\"" + name + "\"]";
}
std::string UserLookup(const std::string &name) { return Lookup("kiv:user", "kiv:userid", name); }
std::string GroupLookup(const std::string &name) { return Lookup("kiv:group", "kiv:groupname", name); }
std::string AclLookup(const std::string &name) { return Lookup("kiv:acl", "kiv:aclname", name); }
std::string Found(const std::string &node) { return testing::Result(node); }
// A lookup that the server answered with a result and an error beside it.
Script::Maker ResultWithError() {
  return [](const testing::Identity *identity) {
    return testing::Response(
        "<xql:result></xql:result><kiv:message kiv:returnvalue=\"60\"><kiv:messagetext "
        "kiv:code=\"KIVXLE0060\">"
        "Database locked by another session</kiv:messagetext></kiv:message>",
        identity);
  };
}

const std::string kContent = "<name>Vera</name>";
const char kDeleteUser[] = "_delete=kiv:user[@kiv:userid=\"u\"]";
const char kUserGroups[] = "_XQL=/kiv:group [kiv:userref=\"u\"]";
const char kDeleteAcl[] = "_delete=kiv:acl[@kiv:aclname=\"A1\"]";
const char kAclGroups[] = "_XQL=/kiv:group [kiv:aclref=\"A1\"]";
const char kDeleteGroup[] = "_delete=kiv:group[@kiv:groupname=\"G1\"]";

class ModifyTest : public testing::AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    SetMessages();
  }
  void SetMessages() {
    for (const char *code :
         {"KIVAAE0370", "KIVAAE0377", "KIVAAE0386", "KIVAAE0387", "KIVAAE0390", "KIVAAE0400"}) {
      agent().SetMessage(code, " text");
    }
  }
  template <typename Operation>
  std::string Run(const Script &script, Operation operation) {
    script.QueueInto(agent());
    std::string result = operation();
    EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands()));
    return result;
  }
};

// ---- users ----

TEST_F(ModifyTest, UserRenameRedoesTheReferencesOfEveryGroup) {
  for (const char *newuserid : {"v", "u"}) {
    agent().Reset();
    const std::string v = newuserid;
    Script script;
    script.Connect()
        .Send(kDeleteUser, Script::OkWith("Document deleted"))
        .Send(kUserGroups, Script::ResultWith(GroupNodes({{"3", "G1"}, {"4", "G2"}})))
        .ReadGroup("G1", "3", {"a", "u"}, {"A1"})
        .Send(GroupRewrite("3", "G1", UserRefs({"a"}) + AclRefs({"A1"})), Script::OkWith("Document stored"))
        .ReadGroup("G2", "4", {"u"}, {})
        .Send(GroupRewrite("4", "G2", ""), Script::OkWith("Document stored"))
        .Send(UserDocument(v, kContent), Script::OkWith("Document stored"))
        .ReadGroup("G1", "3", {"a"}, {"A1"})
        .Send(GroupRewrite("3", "G1", UserRefs({v, "a"}) + AclRefs({"A1"})),
              Script::OkWith("Document stored"))
        .ReadGroup("G2", "4", {}, {})
        .Send(GroupRewrite("4", "G2", UserRefs({v})), Script::OkWith("Document stored"))
        .Commit();
    const std::vector<std::string> groups{"G1", "G2"};
    EXPECT_EQ(Run(script, [&] { return modifyUser(db1(), "u", kContent, v, &groups); }), "0") << newuserid;
  }
}

TEST_F(ModifyTest, UserFailures) {
  struct Case {
    const char *name;
    std::function<void(Script &)> script;
    std::string result;
  };
  const Case cases[] = {
      {"connect without session id",
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); }, "KIVAAE0370 text "},
      {"connect refused",
       [](Script &s) { s.Sessionless("_connect=*", testing::Failure("KIVXSE0031", "Too many sessions")); },
       "KIVXSE0031 Too many sessions"},
      {"no such user",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::FailureWith("KIVXIE8300", "No matching document found"),
                   Next::kSameKey)
             .Rollback();
       },
       "KIVXIE8300 No matching document found"},
      {"delete loses the session",
       [](Script &s) {
         s.Connect().Send(kDeleteUser, Script::OkWith("Document deleted"), Next::kNoIdentity);
       },
       "KIVAAE0370 text "},
      {"new id taken",
       [](Script &s) {
         s.Connect()
             .Send(kDeleteUser, Script::OkWith("Document deleted"))
             .Send(kUserGroups, Script::NoResultWith())
             .Send(UserDocument("v", kContent), Script::FailureWith("KIVXXE8610", "unknown error"),
                   Next::kSameKey)
             .Rollback();
       },
       "KIVAAE0387 text "},
  };
  for (const Case &c : cases) {
    agent().Reset();
    SetMessages();
    agent().SetMessage("KIVAAE0387", " text");
    Script script;
    c.script(script);
    EXPECT_EQ(Run(script, [] { return modifyUser(db1(), "u", kContent, "v", nullptr); }), c.result) << c.name;
  }
}

TEST_F(ModifyTest, UserCheckingVariantLooksUpEveryGroupFirst) {
  const std::vector<std::string> groups{"G1", "G2", "G3"};
  Script refused;
  refused.Sessionless(GroupLookup("G1"), Found(GroupNodes({{"3", "G1"}})))
      .Sessionless(GroupLookup("G2"), testing::NoResult());
  EXPECT_EQ(Run(refused, [&] { return modifyUser_BAT(db1(), "u", kContent, "v", &groups); }),
            "KIVAAE0390 text ");

  agent().Reset();
  const std::vector<std::string> one{"G1"};
  Script script;
  script.Sessionless(GroupLookup("G1"), Found(GroupNodes({{"3", "G1"}})))
      .Connect()
      .Send(kDeleteUser, Script::OkWith("Document deleted"))
      .Send(kUserGroups, Script::NoResultWith())
      .Send(UserDocument("v", kContent), Script::OkWith("Document stored"))
      .ReadGroup("G1", "3", {}, {"A1"})
      .Send(GroupRewrite("3", "G1", UserRefs({"v"}) + AclRefs({"A1"})), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(script, [&] { return modifyUser_BAT(db1(), "u", kContent, "v", &one); }), "0");

  agent().Reset();
  Script no_list;
  no_list.Connect()
      .Send(kDeleteUser, Script::OkWith("Document deleted"))
      .Send(kUserGroups, Script::NoResultWith())
      .Send(UserDocument("v", kContent), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(no_list, [&] { return modifyUser_BAT(db1(), "u", kContent, "v", nullptr); }), "0");
}

// ---- groups ----

const GroupSpec kGroup{"G2", {"U1", "U2"}, {"A1"}};

TEST_F(ModifyTest, GroupRenameDeletesTheOldDocumentAndStoresANewOne) {
  Script script;
  script.Connect()
      .Send(GroupLookup("G2"), Script::NoResultWith())
      .Send(kDeleteGroup, Script::OkWith("Document deleted"))
      .Send(NewGroup("G2", UserRefs({"U1", "U2"}) + AclRefs({"A1"})), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(script, [] { return modifyGroup(db1(), "G1", kGroup); }), "0");
}

TEST_F(ModifyTest, GroupCheckingVariantLooksUpTheReferencesTwice) {
  Script script;
  script.Sessionless(GroupLookup("G1"), Found(GroupNodes({{"3", "G1"}})))
      .Connect()
      .Send(GroupLookup("G2"), Script::NoResultWith())
      .Send(UserLookup("U1"), Script::ResultWith("<kiv:user kiv:id=\"5\" kiv:userid=\"U1\"/>"))
      .Send(UserLookup("U2"), Script::ResultWith("<kiv:user kiv:id=\"6\" kiv:userid=\"U2\"/>"))
      .Send(AclLookup("A1"), Script::ResultWith("<kiv:acl kiv:id=\"7\" kiv:aclname=\"A1\"/>"))
      .Send(kDeleteGroup, Script::OkWith("Document deleted"))
      .Send(UserLookup("U1"), Script::ResultWith("<kiv:user kiv:id=\"5\" kiv:userid=\"U1\"/>"))
      .Send(UserLookup("U2"), Script::ResultWith("<kiv:user kiv:id=\"6\" kiv:userid=\"U2\"/>"))
      .Send(AclLookup("A1"), Script::ResultWith("<kiv:acl kiv:id=\"7\" kiv:aclname=\"A1\"/>"))
      .Send(NewGroup("G2", UserRefs({"U1", "U2"}) + AclRefs({"A1"})), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(script, [] { return modifyGroup_BAT(db1(), "G1", kGroup); }), "0");
}

TEST_F(ModifyTest, GroupFailures) {
  struct Case {
    const char *name;
    bool checking;
    bool messages;
    GroupSpec group;
    std::function<void(Script &)> script;
    std::string result;
  };
  const auto checked = [](Script &s) {
    s.Sessionless(GroupLookup("G1"), Found(GroupNodes({{"3", "G1"}}))).Connect();
  };
  const Case cases[] = {
      {"checking: no such group", true, true, kGroup,
       [](Script &s) { s.Sessionless(GroupLookup("G1"), testing::NoResult()); }, "KIVAAE0390 text "},
      {"connect without session id", false, true, kGroup,
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); }, "KIVAAE0370 text "},
      {"rename target lookup failed", false, true, kGroup,
       [](Script &s) { s.Connect().Send(GroupLookup("G2"), ResultWithError(), Next::kSameKey).Rollback(); },
       "KIVAAE0400 text "},
      {"same name: a failed target lookup goes on", false, true, GroupSpec{"G1", {}, {}},
       [](Script &s) {
         s.Connect()
             .Send(GroupLookup("G1"), ResultWithError(), Next::kSameKey)
             .Send(kDeleteGroup, Script::OkWith("Document deleted"))
             .Send(NewGroup("G1", ""), Script::OkWith("Document stored"))
             .Commit();
       },
       "0"},
      {"a refused delete is not reported", false, true, kGroup,
       [](Script &s) {
         s.Connect()
             .Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(kDeleteGroup, Script::FailureWith("KIVXIE8300", "No matching document found"),
                   Next::kSameKey)
             .Send(NewGroup("G2", UserRefs({"U1", "U2"}) + AclRefs({"A1"})),
                   Script::OkWith("Document stored"))
             .Commit();
       },
       "0"},
      {"store refused", false, true, kGroup,
       [](Script &s) {
         s.Connect()
             .Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(kDeleteGroup, Script::OkWith("Document deleted"))
             .Send(NewGroup("G2", UserRefs({"U1", "U2"}) + AclRefs({"A1"})),
                   Script::FailureWith("KIVXXE8610", "unknown error"), Next::kSameKey)
             .Rollback();
       },
       "KIVXXE8610 unknown error"},
      {"checking: missing user, empty message table", true, false, kGroup,
       [&](Script &s) {
         checked(s);
         s.Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(UserLookup("U1"), Script::ResultWith("<kiv:user kiv:userid=\"U1\"/>"))
             .Send(UserLookup("U2"), Script::NoResultWith())
             .Rollback();
       },
       "getstring(USER_NOT_DEFINED)"},
      {"checking: missing user", true, true, kGroup,
       [&](Script &s) {
         checked(s);
         s.Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(UserLookup("U1"), Script::NoResultWith())
             .Rollback();
       },
       "KIVAAE0388 user not defined "},
      {"checking: missing ACL, empty message table", true, false, kGroup,
       [&](Script &s) {
         checked(s);
         s.Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(UserLookup("U1"), Script::ResultWith("<kiv:user kiv:userid=\"U1\"/>"))
             .Send(UserLookup("U2"), Script::ResultWith("<kiv:user kiv:userid=\"U2\"/>"))
             .Send(AclLookup("A1"), Script::NoResultWith())
             .Rollback();
       },
       "getstring(ACL_NOT_DEFINED)"},
      {"checking: missing ACL", true, true, GroupSpec{"G2", {}, {"A1"}},
       [&](Script &s) {
         checked(s);
         s.Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(AclLookup("A1"), Script::NoResultWith())
             .Rollback();
       },
       "KIVAAE0389 ACL not defined "},
      {"checking: user lookup refused", true, true, kGroup,
       [&](Script &s) {
         checked(s);
         s.Send(GroupLookup("G2"), Script::NoResultWith())
             .Send(UserLookup("U1"), Script::FailureWith("KIVXLE0060", "Database locked by another session"),
                   Next::kSameKey)
             .Rollback();
       },
       "KIVXLE0060 Database locked by another session"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    if (c.messages) {
      SetMessages();
      agent().SetMessage("KIVAAE0388", " user not defined");
      agent().SetMessage("KIVAAE0389", " ACL not defined");
    }
    Script script;
    c.script(script);
    const auto operation = [&] {
      return c.checking ? modifyGroup_BAT(db1(), "G1", c.group) : modifyGroup(db1(), "G1", c.group);
    };
    EXPECT_EQ(Run(script, operation), c.result) << c.name;
  }
}

// ---- ACLs ----

const std::vector<Ace> kAces{{"r", "read all", ""}, {"w", "write own", "1"}, {"d", "delete any", "0"}};
const std::string kStoredEntries =
    "<kiv:ace kiv:access=\"r\">read all</kiv:ace><kiv:ace kiv:access=\"d\">delete any</kiv:ace>";

TEST_F(ModifyTest, AclRenameRedoesTheReferencesOfEveryGroup) {
  Script script;
  script.Connect()
      .Send(AclLookup("A2"), Script::NoResultWith())
      .Send(kDeleteAcl, Script::OkWith("Document deleted"))
      .Send(kAclGroups, Script::ResultWith(GroupNodes({{"9", "G3"}})))
      .ReadGroup("G3", "9", {"A1"}, {"A0", "A1"})
      .Send(GroupRewrite("9", "G3", UserRefs({"A1"}) + AclRefs({"A0"})), Script::OkWith("Document stored"))
      .Send(AclDocument("A2", kStoredEntries), Script::OkWith("Document stored"))
      .ReadGroup("G1", "3", {"u"}, {"A0"})
      .Send(GroupRewrite("3", "G1", UserRefs({"u"}) + AclRefs({"A2", "A0"})),
            Script::OkWith("Document stored"))
      .Commit();
  const std::vector<std::string> groups{"G1"};
  EXPECT_EQ(Run(script, [&] { return modifyACL(db1(), "A1", "A2", &groups, kAces); }), "0");
}

TEST_F(ModifyTest, AclFailures) {
  struct Case {
    const char *name;
    std::string newaclname;
    std::vector<Ace> aces;
    std::function<void(Script &)> script;
    std::string result;
  };
  const std::vector<Ace> duplicates{{"r", "a", ""}, {"w", "b", ""}, {"x", "a", ""}};
  const Case cases[] = {
      {"equal entry texts: only the connect is sent", "A2", duplicates, [](Script &s) { s.Connect(); },
       "KIVAAE0377 text "},
      {"equal entry texts without a session id", "A2", duplicates,
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); }, "KIVAAE0377 text "},
      {"connect without session id", "A2", kAces,
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); }, "KIVAAE0370 text "},
      {"rename target lookup failed", "A2", kAces,
       [](Script &s) { s.Connect().Send(AclLookup("A2"), ResultWithError(), Next::kSameKey).Rollback(); },
       "KIVAAE0386 text "},
      {"no such ACL", "A1", kAces,
       [](Script &s) {
         s.Connect()
             .Send(AclLookup("A1"), Script::ResultWith("<kiv:acl kiv:id=\"7\" kiv:aclname=\"A1\"/>"))
             .Send(kDeleteAcl, Script::FailureWith("KIVXIE8300", "No matching document found"),
                   Next::kSameKey)
             .Rollback();
       },
       "KIVXIE8300 No matching document found"},
      {"same name: a failed target lookup goes on",
       "A1",
       {},
       [](Script &s) {
         s.Connect()
             .Send(AclLookup("A1"), ResultWithError(), Next::kSameKey)
             .Send(kDeleteAcl, Script::OkWith("Document deleted"))
             .Send(kAclGroups, Script::NoResultWith())
             .Send(AclDocument("A1", ""), Script::OkWith("Document stored"))
             .Commit();
       },
       "0"},
      {"store refused", "A2", kAces,
       [](Script &s) {
         s.Connect()
             .Send(AclLookup("A2"), Script::NoResultWith())
             .Send(kDeleteAcl, Script::OkWith("Document deleted"))
             .Send(kAclGroups, Script::NoResultWith())
             .Send(AclDocument("A2", kStoredEntries), Script::FailureWith("KIVXXE8610", "unknown error"),
                   Next::kSameKey)
             .Rollback();
       },
       "KIVAAE0386 text "},
  };
  for (const Case &c : cases) {
    agent().Reset();
    SetMessages();
    Script script;
    c.script(script);
    EXPECT_EQ(Run(script, [&] { return modifyACL(db1(), "A1", c.newaclname, nullptr, c.aces); }), c.result)
        << c.name;
  }
}

TEST_F(ModifyTest, AclCheckingVariantLooksUpTheGroupsBeforeTheSession) {
  const std::vector<std::string> groups{"G1", "G2"};
  Script refused;
  refused.Sessionless(GroupLookup("G1"), testing::NoResult());
  EXPECT_EQ(Run(refused, [&] { return modifyACL_BAT(db1(), "A1", "A2", &groups, kAces); }),
            "KIVAAE0390 text ");

  agent().Reset();
  SetMessages();
  Script duplicates;
  duplicates.Sessionless(GroupLookup("G1"), Found(GroupNodes({{"3", "G1"}})))
      .Sessionless(GroupLookup("G2"), Found(GroupNodes({{"4", "G2"}})))
      .Connect();
  const std::vector<Ace> twice{{"r", "a", ""}, {"r", "a", ""}};
  EXPECT_EQ(Run(duplicates, [&] { return modifyACL_BAT(db1(), "A1", "A2", &groups, twice); }),
            "KIVAAE0377 text ");

  agent().Reset();
  Script script;
  script.Connect()
      .Send(AclLookup("A2"), Script::NoResultWith())
      .Send(kDeleteAcl, Script::OkWith("Document deleted"))
      .Send(kAclGroups, Script::NoResultWith())
      .Send(AclDocument("A2", kStoredEntries), Script::OkWith("Document stored"))
      .Commit();
  const std::vector<std::string> none;
  EXPECT_EQ(Run(script, [&] { return modifyACL_BAT(db1(), "A1", "A2", &none, kAces); }), "0");
}

}  // namespace
}  // namespace custor
