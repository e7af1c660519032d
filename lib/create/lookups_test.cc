#include "create/lookups.h"

#include <functional>

#include "agent/fixture.h"

namespace custor::testing {
namespace {

class LookupsTest : public AgentTest {};

TEST_F(LookupsTest, LookupsAndWalkers) {
  const Session s0{"7", "k0", "0"};
  const GroupSpec group{"staff", {"anna", "bert", "carl"}, {"a1", "a2"}};
  const std::vector<std::string> groups{"g1", "g2", "g3"}, none;
  const Step given = Given("7", "k0");
  const std::string locked = "KIVXLE0060 Database locked by another session|-";
  const std::tuple<std::function<CheckResult()>, Script, std::string> cases[] = {
      // Find: "0" unless a result comes with a failure.
      {[&] { return FindUser(db1(), "anna", nullptr); }, Talk(Plain(Lookup("user", "anna"), Result("<u/>"))),
       "0|-"},
      {[&] { return FindGroup(db1(), "g1", nullptr); }, Talk(Plain(Lookup("group", "g1"), {})), "0|-"},
      {[&] { return FindUser(db1(), "anna", nullptr); },
       Talk(Plain(Lookup("user", "anna"), LockedResult(""))), locked},
      {[&] { return FindAcl(db1(), "a1", nullptr); },
       Talk(Plain(Lookup("acl", "a1"), Failure("KIVXBE0020", "Database not found"))), "0|-"},
      {[&] { return FindAcl(db1(), "a1", &s0); }, Talk(given, Send(Lookup("acl", "a1"), None())), "0|7/k1/0"},
      // Defined: "1" for a clean result, the not-defined text for none, else the verdict.
      {[&] { return CheckUserDefined(db1(), "anna", nullptr); },
       Talk(Plain(Lookup("user", "anna"), Result("<u/>"))), "1|-"},
      {[&] { return CheckUserDefined(db1(), "anna", &s0); },
       Talk(given, Send(Lookup("user", "anna"), None())), "KIVAAE0388 text |7/k1/0"},
      {[&] { return CheckGroupDefined(db1(), "g1", nullptr); }, Talk(Plain(Lookup("group", "g1"), {})),
       "VRX@DLL PARSE_ERR |-"},
      {[&] { return CheckAclDefined(db1(), "a1", nullptr); },
       Talk(Plain(Lookup("acl", "a1"), LockedResult("<a/>"))), locked},
      // Walkers: each lookup in the session of the one before, up to the first failure.
      {[&] { return CheckUsersDefined(db1(), group, &s0); },
       Talk(given, Send(Lookup("user", "anna"), Found("<u/>")), Send(Lookup("user", "bert"), None())),
       "KIVAAE0388 text |7/k2/0"},
      {[&] { return CheckAclsDefined(db1(), group, &s0); },
       Talk(given, Send(Lookup("acl", "a1"), Found("<a/>")), Send(Lookup("acl", "a2"), Found("<a/>"))),
       "1|7/k2/0"},
      {[&] { return CheckGroupsDefined(db1(), &groups, nullptr); },
       Talk(Plain(Lookup("group", "g1"), Result("<g/>")), Plain(Lookup("group", "g2"), NoResult())),
       "KIVAAE0390 text |-"},
      {[&] { return CheckGroupsDefined(db1(), &none, &s0); }, Talk(), "1|7/k0/0"},
      {[&] { return CheckGroupsDefined(db1(), nullptr, nullptr); }, Talk(), "1|-"},
      {[&] {
         return CheckUsersDefined(db1(), GroupSpec{"empty", {}, {}}, &s0);
       },
       Talk(), "1|7/k0/0"},
  };
  for (const auto &[lookup, script, result] : cases) {
    Expect(script, result, [&] { return Describe(lookup()); });
  }
}

}  // namespace
}  // namespace custor::testing
