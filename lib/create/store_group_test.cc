#include "create/store_group.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class StoreGroupTest : public AgentTest {};

// Its success paths and a refused store in a session are rows of the create and modify tests.
TEST_F(StoreGroupTest, StoresTheDocumentAndChecksReferencesWhenAsked) {
  const GroupContent staff{"staff", {"anna", "bert"}, {"a1"}};
  const std::string doc = Doc("group", "staff", Refs("user", {"anna", "bert"}) + Refs("acl", {"a1"}));
  const Step given = Given("7", "k0"), anna = Send(Lookup("user", "anna"), Found("<u/>"));
  const std::tuple<bool, Checks, Script, std::string> cases[] = {
      {false, Checks::kNone, Talk(Plain(doc, Failure("KIVXXE8610", "unknown error"))), "KIVAAE0400 text |-"},
      {false, Checks::kNone, Talk(Plain(doc, Failure("KIVXDE0050", "Invalid document"))),
       "KIVXDE0050 Invalid document|-"},
      {false, Checks::kLinked, Talk(Plain(Lookup("user", "anna"), NoResult())), "KIVAAE0388 text |-"},
      {true, Checks::kLinked, Talk(given, anna, Send(Lookup("user", "bert"), None()), Rollback()),
       "KIVAAE0388 text |7/k2/0"},
      {true, Checks::kLinked,
       Talk(given, anna, Send(Lookup("user", "bert"), Found("<u/>")), Send(Lookup("acl", "a1"), None()),
            Rollback()),
       "KIVAAE0389 text |7/k3/0"},
  };
  const Session s0{"7", "k0", "0"};
  for (const auto &[in_session, checks, script, result] : cases) {
    Expect(script, result, [&, in_session = in_session, checks = checks] {
      return Describe(StoreGroup(db1(), staff, in_session ? &s0 : nullptr, checks));
    });
  }
}

}  // namespace
}  // namespace custor::testing
