#include "create/lookups.h"

#include <functional>

#include "agent/fixture.h"
#include "create/test_steps.h"

namespace custor {
namespace {

using testing::Describe;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::Identity;
using testing::NoResult;
using testing::Reply;
using testing::Result;

class LookupsTest : public testing::AgentTest {};

using Single = CheckResult (*)(const Call &, std::string_view, const Session *);

TEST_F(LookupsTest, SingleLookups) {
  const Session s1{"5", "k1", "0"};
  const std::string user = "<kiv:user kiv:id=\"3\" kiv:userid=\"anna\"><name>Anna</name></kiv:user>";
  const std::string locked = testing::Response(
      "<xql:result><kiv:user kiv:id=\"3\" kiv:userid=\"anna\"/></xql:result><kiv:message "
      "kiv:returnvalue=\"60\"><kiv:messagetext kiv:code=\"KIVXLE0060\">Database locked by another "
      "session</kiv:messagetext></kiv:message>");
  struct Case {
    const char *name;
    Single lookup;
    const char *object;
    const Session *session;
    Reply reply;
    std::string command;
    std::string status;
    std::string session_after;
  };
  const Case cases[] = {
      {"find existing user", FindUser, "anna", nullptr, Result(user), "_XQL=/kiv:user [@kiv:userid=\"anna\"]",
       "0", "none"},
      {"find missing group", FindGroup, "staff", nullptr, NoResult(),
       "_XQL=/kiv:group [@kiv:groupname=\"staff\"]", "0", "none"},
      {"find while unreachable", FindGroup, "staff", nullptr, Reply{},
       "_XQL=/kiv:group [@kiv:groupname=\"staff\"]", "0", "none"},
      {"find with error beside result", FindUser, "anna", nullptr, locked,
       "_XQL=/kiv:user [@kiv:userid=\"anna\"]", "KIVXLE0060 Database locked by another session", "none"},
      {"find error without result", FindAcl, "a1", nullptr,
       testing::Failure("KIVXBE0020", "Database not found"), "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]", "0",
       "none"},
      {"find in a session", FindAcl, "a1", &s1, NoResult(Identity{"5", "k2"}),
       "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]&_sessionid=5&_sessionkey=k1", "0", "5/k2/0"},
      {"user defined", CheckUserDefined, "anna", nullptr, Result(user),
       "_XQL=/kiv:user [@kiv:userid=\"anna\"]", "1", "none"},
      {"user not defined", CheckUserDefined, "bert", &s1, NoResult(Identity{"5", "k2"}),
       "_XQL=/kiv:user [@kiv:userid=\"bert\"]&_sessionid=5&_sessionkey=k1", "KIVAAE0388 User does not exist ",
       "5/k2/0"},
      {"group defined while unreachable", CheckGroupDefined, "staff", nullptr, Reply{},
       "_XQL=/kiv:group [@kiv:groupname=\"staff\"]", "VRX@DLL PARSE_ERR ", "none"},
      {"group refused in a session", CheckGroupDefined, "staff", &s1,
       testing::Failure("KIVXSE0030", "Invalid session"),
       "_XQL=/kiv:group [@kiv:groupname=\"staff\"]&_sessionid=5&_sessionkey=k1", "KIVXSE0030 Invalid session",
       "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR"},
      {"result with error is not defined", CheckUserDefined, "anna", nullptr, locked,
       "_XQL=/kiv:user [@kiv:userid=\"anna\"]", "KIVXLE0060 Database locked by another session", "none"},
      {"acl not defined, no message text", CheckAclDefined, "a1", nullptr, NoResult(),
       "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]", "KIVAAE0389", "none"},
      {"acl defined in a session", CheckAclDefined, "a1", &s1,
       Result("<kiv:acl kiv:id=\"9\" kiv:aclname=\"a1\"/>", Identity{"5", "k2"}),
       "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]&_sessionid=5&_sessionkey=k1", "1", "5/k2/0"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0388", " User does not exist");
    agent().Queue(c.reply);
    const CheckResult result = c.lookup(db1(), c.object, c.session);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(Describe(result.session), c.session_after) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAre(c.command)) << c.name;
    EXPECT_EQ(agent().requests()[0].connection, 42u) << c.name;
  }
}

TEST_F(LookupsTest, WalkersCarryTheSessionAndStopAtTheFirstFailure) {
  const Session s1{"8", "k1", "0"};
  const GroupSpec group{"staff", {"anna", "bert", "carl"}, {"a1", "a2"}};
  const std::vector<std::string> groups{"g1", "g2", "g3"};
  const std::vector<std::string> no_groups;
  struct Case {
    const char *name;
    std::function<CheckResult()> walk;
    std::vector<Reply> replies;
    std::vector<std::string> commands;
    std::string status;
    std::string session_after;
  };
  const Case cases[] = {
      {"users, second missing, in a session",
       [&] { return CheckUsersDefined(db1(), group, &s1); },
       {Result("<kiv:user kiv:userid=\"anna\"/>", Identity{"8", "k2"}), NoResult(Identity{"8", "k3"})},
       {"_XQL=/kiv:user [@kiv:userid=\"anna\"]&_sessionid=8&_sessionkey=k1",
        "_XQL=/kiv:user [@kiv:userid=\"bert\"]&_sessionid=8&_sessionkey=k2"},
       "KIVAAE0388",
       "8/k3/0"},
      {"acls, all defined, in a session",
       [&] { return CheckAclsDefined(db1(), group, &s1); },
       {Result("<kiv:acl kiv:aclname=\"a1\"/>", Identity{"8", "k2"}),
        Result("<kiv:acl kiv:aclname=\"a2\"/>", Identity{"8", "k3"})},
       {"_XQL=/kiv:acl [@kiv:aclname=\"a1\"]&_sessionid=8&_sessionkey=k1",
        "_XQL=/kiv:acl [@kiv:aclname=\"a2\"]&_sessionid=8&_sessionkey=k2"},
       "1",
       "8/k3/0"},
      {"groups without a session, second missing",
       [&] { return CheckGroupsDefined(db1(), &groups, nullptr); },
       {Result("<kiv:group kiv:groupname=\"g1\"/>"), NoResult()},
       {"_XQL=/kiv:group [@kiv:groupname=\"g1\"]", "_XQL=/kiv:group [@kiv:groupname=\"g2\"]"},
       "KIVAAE0390 Group does not exist ",
       "none"},
      {"groups, first lookup refused",
       [&] { return CheckGroupsDefined(db1(), &groups, nullptr); },
       {testing::Failure("KIVXBE0020", "Database not found")},
       {"_XQL=/kiv:group [@kiv:groupname=\"g1\"]"},
       "KIVXBE0020 Database not found",
       "none"},
      {"empty group list keeps the given session",
       [&] { return CheckGroupsDefined(db1(), &no_groups, &s1); },
       {},
       {},
       "1",
       "8/k1/0"},
      {"no group list", [&] { return CheckGroupsDefined(db1(), nullptr, nullptr); }, {}, {}, "1", "none"},
      {"group without users keeps the given session",
       [&] {
         return CheckUsersDefined(db1(), GroupSpec{"empty", {}, {}}, &s1);
       },
       {},
       {},
       "1",
       "8/k1/0"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0390", " Group does not exist");
    for (const Reply &reply : c.replies) agent().Queue(reply);
    const CheckResult result = c.walk();
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(Describe(result.session), c.session_after) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
  }
}

}  // namespace
}  // namespace custor
