#include "queries/group_details.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kUsers = "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:userref sortby(.)";
const std::string kAcls = "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:aclref sortby(.)";
const std::string kGroup = "_XQL=/kiv:group [@kiv:groupname=\"staff\"]";
const std::string kDoc = "<kiv:group kiv:id=\"17\">" + Refs("user", {"bob", "ann"}) + "</kiv:group>";
const std::string kRead = "0|17|ann bob|docs|";
const std::string kFailed = "VRX@DLL CORVANE_REQUEST_FAILED|-|||-";

// status|kiv:id|users|acls|session
std::string Summary(const GroupData &group) {
  return group.status.Text() + "|" + group.nameOrId.value_or("-") + "|" + Joined(group.users) + "|" +
         Joined(group.acls) + "|" + Describe(group.session);
}

Script Sessionless(const Reply &users, const Reply &acls, const Reply &document) {
  return Talk(Plain(kUsers, users), Plain(kAcls, acls), Plain(kGroup, document));
}

class GroupDetailsTest : public AgentTest {};

TEST_F(GroupDetailsTest, EveryPathOfTheRead) {
  const Step read = Steps(Send(kUsers, Found(Refs("user", {"ann", "bob"}))),
                          Send(kAcls, Found(Refs("acl", {"docs"}))), Send(kGroup, Found(kDoc)));
  const Script sessionless =
      Sessionless(Result(Refs("user", {"ann", "bob"})), Result(Refs("acl", {"docs"})), Result(kDoc));
  const std::tuple<const char *, Reading, Script, std::string> cases[] = {
      {"sessionless", Reading::Sessionless(), sessionless, kRead + "-"},
      {"own session, committed", Reading::OwnSession(), Talk(Connect(), read, Commit()), kRead + "-"},
      {"caller's, handed back with the last identity", Reading::InSession(kCaller),
       Talk(Given("30", "c0"), read), kRead + "30/k3/0"},
      {"own session refused: given up", Reading::OwnSession(), RefusedConnect(),
       "KIVXSE0031 Too many sessions|-|||-"},
      {"caller's unusable: nothing sent, handed back", Reading::InSession(kUnusable), Talk(),
       "VRX@DLL PARSE_ERR|-|||31/c9/VRX@DLL PARSE_ERR"},
      {"no reply in own session: not ended", Reading::OwnSession(), Talk(Connect(), Unanswered(kUsers)),
       kFailed},
      {"no reply in caller's: not handed back", Reading::InSession(kCaller),
       Talk(Given("30", "c0"), Unanswered(kUsers)), kFailed},
      {"unknown group; later replies missing or failed read as empty", Reading::Sessionless(),
       Sessionless(NoResult(), {}, Failure("KIVXBE0020", "Database not found")), "0|VRX@DLL PARSE_ERR|||-"},
      {"no references, still its id", Reading::Sessionless(),
       Sessionless(NoResult(), Result(""), Result("<kiv:group kiv:id=\"3\"/>")), "0|3|||-"},
  };
  for (const auto &[name, reading, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result,
           [&, reading = reading] { return Summary(ReadGroupData(db1(), "staff", reading)); });
  }
}

}  // namespace
}  // namespace custor::testing
