#include "queries/acl_details.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kAcl = "_XQL=/kiv:acl [@kiv:aclname=\"docs\"]";
const std::string kGroups = "_XQL=/kiv:group [kiv:aclref=\"docs\"]sortby(@kiv:groupname asc)";
const std::string kDoc =
    "<kiv:acl kiv:id=\"41\">" + Entry("write", "staff") + Entry("read", "all") + "</kiv:acl>";
const std::string kNodes = GroupNode("2", "admins") + GroupNode("9", "staff");
const std::string kRead = "0|41|write:staff read:all|admins staff|";
const std::string kUnknown = "XQL request processed, no object returned|-|||//KIVAAE0372 text ";

// status|id|entries as access:text|groups|session
std::string Summary(const AclData &acl) {
  std::vector<std::string> aces;
  for (const Ace &ace : acl.aces) aces.push_back(ace.access + ":" + ace.text + ace.omit);
  return acl.status.Text() + "|" + acl.id.value_or("-") + "|" + Joined(aces) + "|" + Joined(acl.groups) +
         "|" + Describe(acl.session);
}

// A sessionless read whose ACL query gets `document` and whose group query gets no result.
Script Read(const std::string &document) {
  return Talk(Plain(kAcl, Result(document)), Plain(kGroups, NoResult()));
}

class AclDetailsTest : public AgentTest {};

TEST_F(AclDetailsTest, EveryPathOfTheRead) {
  const Step read = Steps(Send(kAcl, Found(kDoc)), Send(kGroups, Found(kNodes)));
  const std::tuple<const char *, Reading, Script, std::string> cases[] = {
      {"sessionless", Reading::Sessionless(), Talk(Plain(kAcl, Result(kDoc)), Plain(kGroups, Result(kNodes))),
       kRead + "-"},
      {"own session, rolled back", Reading::OwnSession(), Talk(Connect(), read, Rollback()), kRead + "-"},
      {"caller's, handed back with the last identity", Reading::InSession(kCaller),
       Talk(Given("30", "c0"), read), kRead + "30/k2/0"},
      {"own session refused: given up", Reading::OwnSession(), RefusedConnect(),
       "KIVXSE0031 Too many sessions|-|||-"},
      {"caller's unusable: given up too", Reading::InSession(kUnusable), Talk(Given("31", "c9"), Rollback()),
       "VRX@DLL PARSE_ERR|-|||-"},
      {"no reply: not ended", Reading::OwnSession(), Talk(Connect(), Unanswered(kAcl)),
       "VRX@DLL CORVANE_REQUEST_FAILED|-|||-"},
      {"unknown: the message line; the caller's session not ended", Reading::InSession(kCaller),
       Talk(Given("30", "c0"), Send(kAcl, None())), kUnknown},
      {"error without message line", Reading::Sessionless(),
       Talk(Plain(kAcl, Failure("KIVXBE0020", "Database not found"))),
       "KIVAAE0372 text |-|||//KIVAAE0372 text "},
      {"failed group query: no group", Reading::Sessionless(),
       Talk(Plain(kAcl, Result(kDoc)), Plain(kGroups, {})), "0|41|write:staff read:all||-"},
      {"entry without access: empty text", Reading::Sessionless(),
       Read("<kiv:acl kiv:id=\"5\">" + Entry("r", "a") + "<kiv:ace>b</kiv:ace></kiv:acl>"), "0|5|r:a :b||-"},
      {"empty entry drops out, pairing shifts", Reading::Sessionless(),
       Read("<kiv:acl kiv:id=\"5\">" + Entry("r", "") + Entry("w", "b") + "</kiv:acl>"), "0|5|r:b||-"},
      {"no kiv:id, no entries", Reading::Sessionless(), Read("<kiv:acl kiv:aclname=\"docs\"/>"),
       "0|VRX@DLL PARSE_ERR|||-"},
  };
  for (const auto &[name, reading, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result, [&, reading = reading] { return Summary(ReadAclData(db1(), "docs", reading)); });
  }
}

}  // namespace
}  // namespace custor::testing
