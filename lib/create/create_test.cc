#include "create/create.h"

#include <functional>

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class CreateTest : public AgentTest {};

TEST_F(CreateTest, LookupsChecksAndStores) {
  const std::string content = "<n/>";
  const std::vector<std::string> g1_g2{"g1", "g2"};
  const std::vector<Ace> aces{{"rw", "/docs", "0"}};
  const GroupContent staff{"staff", {"anna"}, {"a1"}};
  const std::string group = Doc("group", "staff", Refs("user", {"anna"}) + Refs("acl", {"a1"}));
  const std::string locked = "KIVXLE0060 Database locked by another session";
  const auto vacant = [](const std::string &kind, const std::string &name) {
    return Plain(Lookup(kind, name), NoResult());
  };
  const auto taken = [](const std::string &kind, const std::string &name) {
    return Plain(Lookup(kind, name), LockedResult("<x/>"));
  };
  const Step user = Steps(Connect(), Send(UserDoc("anna", content)), Commit());
  const Step acl = Steps(Connect(), Send(Doc("acl", "a1", Entry("rw", "/docs"))), Commit());
  const Step groups_missing = Steps(Plain(Lookup("group", "g1"), Result("<g/>")), vacant("group", "g2"));
  const Step checked =
      Steps(Connect(), Send(Lookup("group", "staff"), None()), Send(Lookup("user", "anna"), Found("<u/>")),
            Send(Lookup("acl", "a1"), Found("<a/>")));
  const std::tuple<const char *, std::function<std::string()>, Script, std::string> cases[] = {
      {"user", [&] { return CreateUser(db1(), "anna", content, {}, Checks::kNone).Text(); },
       Talk(vacant("user", "anna"), user), "0"},
      {"user, lookup fails", [&] { return CreateUser(db1(), "anna", content, g1_g2, Checks::kNone).Text(); },
       Talk(taken("user", "anna")), locked},
      {"checked user, second group missing",
       [&] { return CreateUser(db1(), "anna", content, g1_g2, Checks::kLinked).Text(); },
       Talk(groups_missing), "KIVAAE0390 text "},
      {"checked user, a failed lookup does not stop it",
       [&] { return CreateUser(db1(), "anna", content, {}, Checks::kLinked).Text(); },
       Talk(taken("user", "anna"), user), "0"},
      {"acl", [&] { return CreateAcl(db1(), "a1", {}, aces, Checks::kNone).Text(); },
       Talk(vacant("acl", "a1"), acl), "0"},
      {"acl, lookup fails", [&] { return CreateAcl(db1(), "a1", {}, aces, Checks::kNone).Text(); },
       Talk(taken("acl", "a1")), locked},
      {"checked acl", [&] { return CreateAcl(db1(), "a1", {}, aces, Checks::kLinked).Text(); },
       Talk(vacant("acl", "a1"), acl), "0"},
      {"checked acl, second group missing",
       [&] { return CreateAcl(db1(), "a1", g1_g2, aces, Checks::kLinked).Text(); }, Talk(groups_missing),
       "KIVAAE0390 text "},
      {"group", [&] { return CreateGroup(db1(), staff, Checks::kNone).Text(); },
       Talk(vacant("group", "staff"), Plain(group, Ok("x"))), "0"},
      {"group, lookup fails", [&] { return CreateGroup(db1(), staff, Checks::kNone).Text(); },
       Talk(taken("group", "staff")), locked},
      {"checked group, in one session", [&] { return CreateGroup(db1(), staff, Checks::kLinked).Text(); },
       Talk(checked, Send(group), Commit()), "0"},
      {"checked group, lookup fails: session left open",
       [&] { return CreateGroup(db1(), staff, Checks::kLinked).Text(); },
       Talk(Connect(), Send(Lookup("group", "staff"), Locked(), kSameKey)), "KIVAAE0400 text "},
      {"checked group, store refused: rolled back, not committed",
       [&] { return CreateGroup(db1(), staff, Checks::kLinked).Text(); },
       Talk(checked, Send(group, Refused("KIVXXE8610", "unknown error"), kSameKey), Rollback()),
       "KIVXXE8610 unknown error"},
  };
  for (const auto &[name, create, script, answer] : cases) {
    SCOPED_TRACE(name);
    Expect(script, answer, create);
  }
}

}  // namespace
}  // namespace custor::testing
