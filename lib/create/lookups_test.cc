#include "create/lookups.h"

#include <functional>

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class LookupsTest : public AgentTest {};

// The lookups' own rules; their use inside the creates and modifies is checked with those.
TEST_F(LookupsTest, VerdictsSessionsAndWalkers) {
  const Session s0{"7", "k0", "0"};
  const std::vector<std::string> groups{"g1", "g2"}, none;
  const std::tuple<std::function<std::string()>, Script, std::string> cases[] = {
      // Find: "0" unless a result comes with a failure; in a session, the identity of its reply.
      {[&] { return Describe(Find(db1(), Kind::kGroup, "g1", nullptr)); },
       Talk(Plain(Lookup("group", "g1"), {})), "0|-"},
      {[&] { return Describe(Find(db1(), Kind::kAcl, "a1", nullptr)); },
       Talk(Plain(Lookup("acl", "a1"), Failure("KIVXBE0020", "Database not found"))), "0|-"},
      {[&] { return Describe(Find(db1(), Kind::kAcl, "a1", &s0)); },
       Talk(Given("7", "k0"), Send(Lookup("acl", "a1"), None())), "0|7/k1/0"},
      // Defined: "1" for a clean result, else the verdict of the reply.
      {[&] { return Describe(CheckDefined(db1(), Kind::kGroup, "g1", nullptr)); },
       Talk(Plain(Lookup("group", "g1"), {})), "VRX@DLL PARSE_ERR |-"},
      {[&] { return Describe(CheckDefined(db1(), Kind::kAcl, "a1", nullptr)); },
       Talk(Plain(Lookup("acl", "a1"), LockedResult("<a/>"))),
       "KIVXLE0060 Database locked by another session|-"},
      // Walkers stop at the first failure; an empty list passes and keeps the session.
      {[&] { return Describe(CheckAllDefined(db1(), Kind::kGroup, groups, nullptr)); },
       Talk(Plain(Lookup("group", "g1"), Failure("KIVXBE0020", "Database not found"))),
       "KIVXBE0020 Database not found|-"},
      {[&] { return Describe(CheckAllDefined(db1(), Kind::kGroup, none, &s0)); }, Talk(), "1|7/k0/0"},
  };
  for (const auto &[lookup, script, result] : cases) Expect(script, result, lookup);
}

}  // namespace
}  // namespace custor::testing
