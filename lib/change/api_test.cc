// The exported change functions: the agent's records reach the documents.
#include <functional>

#include "agent/fixture.h"

namespace custor::testing {
namespace {

class ChangeApiTest : public AgentTest {};

TEST_F(ChangeApiTest, RecordsReachTheDocuments) {
  const InGroup g2("G2", {"U1"}, {"A1"});
  // An omitted entry is not written, so its text is not checked either.
  const InAcl acl({{"r", "read all", "0"}, {"w", "a<b", "1"}});
  const InNames g1({"G1"});
  const std::tuple<std::function<char *()>, Script, std::string> cases[] = {
      {[&] { return ::modifyGroup(7, "db1", "G1", &g2.record, 42, 9); },
       Talk(Connect(), Send(Lookup("group", "G2"), None()), Send("_delete=kiv:group[@kiv:groupname=\"G1\"]"),
            Send(GroupDoc("G2", Refs("user", {"U1"}) + Refs("acl", {"A1"}))), Commit()),
       "0"},
      {[&] { return ::modifyACL(7, "db1", "A1", "A1", nullptr, &acl.record, 42, 9); },
       Talk(Connect(), Send(Lookup("acl", "A1"), None()), Send("_delete=kiv:acl[@kiv:aclname=\"A1\"]"),
            Send("_XQL=/kiv:group [kiv:aclref=\"A1\"]", None()), Send(AclDoc("A1", Entry("r", "read all"))),
            Commit()),
       "0"},
      {[&] { return ::modifyUser_BAT(7, "db1", "u", "<x/>", "v", &g1.list, 42, 9); },
       Talk(Plain(Lookup("group", "G1"), NoResult())), "KIVAAE0390 text "},
      {[] { return ::addACE(7, "db1", "A1", "read all", "w", 42, 9); },
       Talk(Connect(),
            Plain("_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"read all\"]", Result("<e/>"))),
       "KIVAAE0377 text "},
  };
  for (const auto &[change, script, answer] : cases) {
    Reset();
    const std::vector<std::string> expected = Play(script);
    EXPECT_EQ(Take(change()), answer);
    EXPECT_THAT(agent().commands(), ElementsAreArray(expected));
    for (const Request &request : agent().requests()) EXPECT_EQ(request.connection, 42u);
  }
}

}  // namespace
}  // namespace custor::testing
