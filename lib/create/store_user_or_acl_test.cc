#include "create/store_user_or_acl.h"

#include "core/documents.h"
#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class StoreUserOrAclTest : public AgentTest {};

// The store of an ACL and the refused store of an object that exists are rows of the modify tests.
TEST_F(StoreUserOrAclTest, RequestsDocumentsAndOutcomes) {
  const std::string content = "<name>Ut &amp; Co</name>";
  const std::vector<std::string> two{"g1", "g2"}, one{"g1"};
  const Session caller{"7", "k0", "0"};
  const std::string user = UserDoc("u1", content);
  const Step given = Given("7", "k0"), stored = Steps(Connect(), Send(user));
  const std::string lost = "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR";
  const std::tuple<const char *, const std::vector<std::string> *, bool, Script, std::string> cases[] = {
      {"user into two groups, new reference first", &two, false,
       Talk(stored, ReadGroup("g1", "17", {"aaron", "u1"}, {"x1"}),
            Send(Doc("group", "g1", Refs("user", {"u1", "aaron", "u1"}) + Refs("acl", {"x1"}), "17")),
            ReadGroup("g2", "18", {}, {}), Send(Doc("group", "g2", Refs("user", {"u1"}), "18")), Commit()),
       "0|-"},
      {"refused, no identity: no rollback", &one, true, Talk(given, SessionGone(user)),
       "KIVXSE0030 Invalid session|" + lost},
      {"connect refused: id and key 0", nullptr, false,
       Talk(ConnectRefused(), Given("0", "0"), SessionGone(user)), "KIVXSE0030 Invalid session|" + lost},
      {"connect without identity", &one, false, Talk(ConnectWithoutId()), "KIVAAE0370 text |-"},
      {"store reply without identity", &one, false, Talk(Connect(), Send(user, Done(), kNoIdentity)),
       "KIVAAE0370 text |-"},
      {"group does not exist", &two, false, Talk(stored, ReadGroup("g1", "", {}, {}), Rollback()),
       "KIVAAE0373 text |-"},
      {"group read loses the session", &one, true,
       Talk(given, Send(user), ReadGroup("g1", "4", {}, {}, kNoIdentity)), "KIVAAE0370 text |-"},
      {"group read unanswered", &one, false,
       Talk(stored, Unanswered(Lookup("group", "g1") + " /kiv:userref sortby(.)"), Rollback()),
       "KIVAAE0373 text |-"},
      {"refused rewrite not reported", &one, false,
       Talk(stored, ReadGroup("g1", "9", {}, {}),
            Send(Doc("group", "g1", Refs("user", {"u1"}), "9"), Locked(), kSameKey), Commit()),
       "0|-"},
      {"rewrite reply without identity", &two, false,
       Talk(stored, ReadGroup("g1", "9", {}, {}),
            Send(Doc("group", "g1", Refs("user", {"u1"}), "9"), Done(), kNoIdentity)),
       "KIVAAE0370 text |-"},
  };
  for (const auto &[name, groups, given, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result, [&, groups = groups, given = given] {
      const std::span<const std::string> linked =
          groups != nullptr ? *groups : std::span<const std::string>();
      return Describe(StoreUserOrAcl(db1(), Kind::kUser, "u1", UserDocument("u1", content), linked,
                                     given ? &caller : nullptr));
    });
  }
}

}  // namespace
}  // namespace custor::testing
