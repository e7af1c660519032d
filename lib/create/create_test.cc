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
      {"user", [&] { return createUser(db1(), content, "anna", nullptr); },
       Talk(vacant("user", "anna"), user), "0"},
      {"user, lookup fails", [&] { return createUser(db1(), content, "anna", &g1_g2); },
       Talk(taken("user", "anna")), locked},
      {"checked user, second group missing", [&] { return createUser_BAT(db1(), content, "anna", &g1_g2); },
       Talk(groups_missing), "KIVAAE0390 text "},
      {"checked user, a failed lookup does not stop it",
       [&] { return createUser_BAT(db1(), content, "anna", nullptr); }, Talk(taken("user", "anna"), user),
       "0"},
      {"acl", [&] { return createACL(db1(), "a1", nullptr, aces); }, Talk(vacant("acl", "a1"), acl), "0"},
      {"acl, lookup fails", [&] { return createACL(db1(), "a1", nullptr, aces); }, Talk(taken("acl", "a1")),
       locked},
      {"checked acl", [&] { return createACL_BAT(db1(), "a1", nullptr, aces); },
       Talk(vacant("acl", "a1"), acl), "0"},
      {"checked acl, second group missing", [&] { return createACL_BAT(db1(), "a1", &g1_g2, aces); },
       Talk(groups_missing), "KIVAAE0390 text "},
      {"group", [&] { return createGroup(db1(), staff); },
       Talk(vacant("group", "staff"), Plain(group, Ok("x"))), "0"},
      {"group, lookup fails", [&] { return createGroup(db1(), staff); }, Talk(taken("group", "staff")),
       locked},
      {"checked group, in one session", [&] { return createGroup_BAT(db1(), staff); },
       Talk(checked, Send(group), Commit()), "0"},
      {"checked group, lookup fails: session left open", [&] { return createGroup_BAT(db1(), staff); },
       Talk(Connect(), Send(Lookup("group", "staff"), Locked(), kSameKey)), "KIVAAE0400 text "},
      {"checked group, store refused: rolled back, not committed",
       [&] { return createGroup_BAT(db1(), staff); },
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
