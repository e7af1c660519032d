#include "queries/user_details.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kUser = "_XQL=/kiv:user [@kiv:userid=\"ann\"]";
const std::string kGroups = "_XQL=/kiv:group [kiv:userref=\"ann\"]sortby(@kiv:groupname)";
const std::string kDoc =
    "<kiv:user kiv:id=\"4\"><profile><name>Ann Lee</name><room>12</room></profile></kiv:user>";
const std::string kNodes = GroupNode("2", "admins") + GroupNode("9", "staff");
const std::string kRead = "0|Ann Lee|admins staff|";

// status|data|groups|session
std::string Summary(const UserDetails &user) {
  return user.status.Text() + "|" + user.data.value_or("-") + "|" + Joined(user.groups) + "|" +
         Describe(user.session);
}

class UserDetailsTest : public AgentTest {};

TEST_F(UserDetailsTest, EveryPathOfTheRead) {
  const Step read = Steps(Send(kUser, Found(kDoc)), Send(kGroups, Found(kNodes)));
  const std::tuple<const char *, Reading, Script, std::string> cases[] = {
      {"sessionless", Reading::Sessionless(),
       Talk(Plain(kUser, Result(kDoc)), Plain(kGroups, Result(kNodes))), kRead + "0/0/0"},
      {"own session, committed", Reading::OwnSession(), Talk(Connect(), read, Commit()), kRead + "7/k3/0"},
      {"caller's, not ended", Reading::InSession(kCaller), Talk(Given("30", "c0"), read), kRead + "30/k2/0"},
      {"own session refused: given up", Reading::OwnSession(), RefusedConnect(),
       "KIVXSE0031 Too many sessions|-||-"},
      {"caller's unusable: given up", Reading::InSession(kUnusable), Talk(Given("31", "c9"), Rollback()),
       "VRX@DLL PARSE_ERR|-||-"},
      {"group query unanswered in own session: not ended, data kept", Reading::OwnSession(),
       Talk(Connect(), Send(kUser, Found(kDoc)), Unanswered(kGroups)),
       "VRX@DLL CORVANE_REQUEST_FAILED|Ann Lee||7/k2/0"},
      {"unknown user: errors and a missing reply are not checked", Reading::Sessionless(),
       Talk(Plain(kUser, {}), Plain(kGroups, Failure("KIVXBE0020", "Database not found"))), "0|||0/0/0"},
  };
  for (const auto &[name, reading, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result, [&, reading = reading] {
      return Summary(ReadUserDetails(db1(), "ann", reading, UserGroups::kRead));
    });
  }
}

TEST_F(UserDetailsTest, UserDataReadsEveryUserSessionless) {
  const std::string list = "_XQL=/kiv:user sortby(@kiv:userid)";
  const std::string users =
      "<kiv:user kiv:userid=\"ann\"/><kiv:user kiv:userid=\"bob\"/><kiv:user kiv:userid=\"cy\"/>";
  const std::pair<Script, std::string> cases[] = {
      {Talk(Plain(list, Result(users)), Plain(kUser, Result("<u><n>first</n></u>")),
            Plain(Lookup("user", "bob"), {}), Plain(Lookup("user", "cy"), Result("<u><n>third</n></u>"))),
       "0|ann bob cy|first  third"},
      {Talk(Plain(list, {})), "VRX@DLL CORVANE_REQUEST_FAILED||"},
      {Talk(Plain(list, Failure("KIVXBE0020", "Database not found"))), "0||"},
  };
  for (const auto &[script, result] : cases) {
    const auto read = [&] {
      const UserDataTable table = ReadUserDataTable(db1());
      return table.status.Text() + "|" + Joined(table.userIds) + "|" + Joined(table.userData);
    };
    Expect(script, result, read);
  }
}

}  // namespace
}  // namespace custor::testing
