#include "change/add_ace.h"

#include "agent/fixture.h"
#include "change/transaction_script.h"

namespace custor {
namespace {

using ::testing::ElementsAreArray;
using testing::Next;
using Script = testing::TransactionScript;

const char kLookup[] = "_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"delete any\"]";
const char kAclQuery[] = "_XQL=/kiv:acl [@kiv:aclname=\"A1\"]";
const char kGroupQuery[] = "_XQL=/kiv:group [kiv:aclref=\"A1\"]sortby(@kiv:groupname asc)";

std::string Entry(const std::string &access, const std::string &text) {
  return "<kiv:ace kiv:access=\"" + access + "\">" + text + "</kiv:ace>";
}
std::string AclNode(const std::string &id_attribute, const std::string &entries) {
  return "<kiv:acl " + id_attribute + "kiv:aclname=\"A1\">" + entries + "</kiv:acl>";
}
std::string AclDocument(const std::string &id, const std::string &entries) {
  return "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:id=\"" + id +
         "\" kiv:aclname=\"A1\" xmlns:kiv=\"" + std::string(kNamespace) + "\">" + entries + "</kiv:acl>";
}

class AddAceTest : public testing::AgentTest {
 protected:
  std::string Run(const Script &script, const std::string &text = "delete any") {
    script.QueueInto(agent());
    std::string result = addACE(db1(), "A1", text, "d");
    EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands()));
    return result;
  }
};

TEST_F(AddAceTest, AppendsTheEntryLastUnderTheOldIdAndCommits) {
  struct Case {
    const char *name;
    std::string entries;
  };
  const Case cases[] = {
      {"two entries", Entry("r", "read all") + Entry("w", "write own")},
      {"no entry", ""},
      {"equal access values", Entry("d", "read all")},
  };
  for (const Case &c : cases) {
    agent().Reset();
    Script script;
    script.Connect()
        .Sessionless(kLookup, testing::NoResult())
        .Send(kAclQuery, Script::ResultWith(AclNode("kiv:id=\"8\" ", c.entries)))
        .Send(kGroupQuery, Script::ResultWith("<kiv:group kiv:id=\"3\" kiv:groupname=\"G1\"/>"))
        .Send(AclDocument("8", c.entries + Entry("d", "delete any")), Script::OkWith("Document stored"))
        .Commit();
    EXPECT_EQ(Run(script), "0") << c.name;
  }
}

TEST_F(AddAceTest, RefusedStoreIsAnsweredAndStillCommitted) {
  Script script;
  script.Connect()
      .Sessionless(kLookup, testing::NoResult())
      .Send(kAclQuery, Script::ResultWith(AclNode("kiv:id=\"8\" ", Entry("r", "read all"))))
      .Send(kGroupQuery, Script::NoResultWith())
      .Send(AclDocument("8", Entry("r", "read all") + Entry("d", "delete any")),
            Script::FailureWith("KIVXLE0060", "Database locked by another session"), Next::kSameKey)
      .Commit();
  EXPECT_EQ(Run(script), "KIVXLE0060 Database locked by another session");
}

TEST_F(AddAceTest, Refusals) {
  struct Case {
    const char *name;
    std::function<void(Script &)> script;
    std::string result;
  };
  const Case cases[] = {
      {"connect without session id",
       [](Script &s) { s.Sessionless("_connect=*", testing::Ok("Session opened")); },
       "KIVAAE0370 no session "},
      {"entry text already there",
       [](Script &s) { s.Connect().Sessionless(kLookup, testing::Result(Entry("r", "delete any"))); },
       "KIVAAE0377 entry already defined "},
      {"no such ACL",
       [](Script &s) {
         s.Connect().Sessionless(kLookup, testing::NoResult()).Send(kAclQuery, Script::NoResultWith());
       },
       "KIVXHE8201 ACL not read "},
      {"ACL query unanswered",
       [](Script &s) { s.Connect().Sessionless(kLookup, testing::NoResult()).Unanswered(kAclQuery); },
       "KIVXHE8201 ACL not read "},
      {"connect refused: the read gives the session up",
       [](Script &s) {
         s.Sessionless("_connect=*", testing::Failure("KIVXSE0031", "Too many sessions"))
             .Sessionless(kLookup, testing::NoResult())
             .Given("0", "0")
             .Send("_rollback=*", Script::FailureWith("KIVXSE0030", "Invalid session"), Next::kNoIdentity)
             .Send("_disconnect=*", Script::FailureWith("KIVXSE0030", "Invalid session"), Next::kNoIdentity);
       },
       "KIVXHE8201 ACL not read "},
      {"document without kiv:id",
       [](Script &s) {
         s.Connect()
             .Sessionless(kLookup, testing::NoResult())
             .Send(kAclQuery, Script::ResultWith(AclNode("", Entry("r", "read all"))))
             .Send(kGroupQuery, Script::NoResultWith())
             .Rollback();
       },
       "Invalid kiv:id or kiv:id could not be retrieved"},
      {"empty kiv:id",
       [](Script &s) {
         s.Connect()
             .Sessionless(kLookup, testing::NoResult())
             .Send(kAclQuery, Script::ResultWith(AclNode("kiv:id=\"\" ", "")))
             .Send(kGroupQuery, Script::NoResultWith())
             .Rollback();
       },
       "Invalid kiv:id or kiv:id could not be retrieved"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0370", " no session");
    agent().SetMessage("KIVAAE0377", " entry already defined");
    agent().SetMessage("KIVXHE8201", " ACL not read");
    Script script;
    c.script(script);
    EXPECT_EQ(Run(script), c.result) << c.name;
  }
}

TEST_F(AddAceTest, LongEntriesAreComposedWhole) {
  const std::string old_text(1500, 'o');
  const std::string new_text(2500, 'n');
  Script script;
  script.Connect()
      .Sessionless("_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"" + new_text + "\"]",
                   testing::NoResult())
      .Send(kAclQuery, Script::ResultWith(AclNode("kiv:id=\"8\" ", Entry("r", old_text))))
      .Send(kGroupQuery, Script::NoResultWith())
      .Send(AclDocument("8", Entry("r", old_text) + Entry("d", new_text)), Script::OkWith("Document stored"))
      .Commit();
  EXPECT_EQ(Run(script, new_text), "0");
}

}  // namespace
}  // namespace custor
