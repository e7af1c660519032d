#include "create/store_user_or_acl.h"

#include <functional>

#include "agent/fixture.h"

namespace custor::testing {
namespace {

class StoreUserOrAclTest : public AgentTest {};

TEST_F(StoreUserOrAclTest, RequestsDocumentsAndOutcomes) {
  const std::string content = "<name>Ut &amp; Co</name>";
  const std::vector<std::string> two{"g1", "g2"}, one{"g1"};
  const std::vector<Ace> aces{{"rw", "/docs", "0"}, {"r", "/tmp", "1"}, {"x", "/bin", ""}},
      omitted{{"rw", "/d", "1"}};
  const Session caller{"7", "k0", "0"};
  const std::string user = UserDoc("u1", content),
                    acl = Doc("acl", "a1", Entry("rw", "/docs") + Entry("x", "/bin"));
  const auto store_user = [&](const std::vector<std::string> *groups, bool given) {
    return [&, groups, given] {
      return StoreUserOrAcl(db1(), "u1", &content, nullptr, groups, given ? &caller : nullptr);
    };
  };
  const auto store_acl = [&](const std::vector<Ace> &entries, const std::vector<std::string> *groups,
                             bool given) {
    return [&, groups, given] {
      return StoreUserOrAcl(db1(), "a1", nullptr, &entries, groups, given ? &caller : nullptr);
    };
  };
  const Step given = Given("7", "k0"), stored = Steps(Connect(), Send(user));
  const Step exists = Send(user, Refused("KIVXXE8610", "unknown error"), Next::kSameKey);
  const std::string lost = "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR";
  const std::tuple<const char *, std::function<CheckResult()>, Script, std::string> cases[] = {
      {"user into two groups", store_user(&two, false),
       Talk(stored, ReadGroup("g1", "17", {"aaron", "u1"}, {"x1"}),
            Send(Doc("group", "g1", Refs("user", {"u1", "aaron", "u1"}) + Refs("acl", {"x1"}), "17")),
            ReadGroup("g2", "18", {}, {}), Send(Doc("group", "g2", Refs("user", {"u1"}), "18")), Commit()),
       "0|-"},
      {"acl into a group, caller's session", store_acl(aces, &one, true),
       Talk(given, Send(acl), ReadGroup("g1", "4", {"bo"}, {"x1"}),
            Send(Doc("group", "g1", Refs("user", {"bo"}) + Refs("acl", {"a1", "x1"}), "4"))),
       "0|7/k5/0"},
      {"user exists", store_user(&one, false), Talk(Connect(), exists, Rollback()),
       "KIVAAE0387 text |7/k1/0"},
      {"acl exists", store_acl(aces, nullptr, true),
       Talk(given, Send(acl, Refused("KIVXXE8610", "unknown error"), Next::kSameKey), Rollback()),
       "KIVAAE0386 text |7/k0/0"},
      {"refused, no identity", store_user(&one, true),
       Talk(given, Send(user, Refused("KIVXSE0030", "Invalid session"), Next::kNoIdentity)),
       "KIVXSE0030 Invalid session|" + lost},
      {"connect refused: id and key 0", store_user(nullptr, false),
       Talk(Plain("_connect=*", Failure("KIVXSE0031", "Too many sessions")), Given("0", "0"),
            Send(user, Refused("KIVXSE0030", "Invalid session"), Next::kNoIdentity)),
       "KIVXSE0030 Invalid session|" + lost},
      {"connect without identity", store_user(&one, false), Talk(Plain("_connect=*", Ok("x"))),
       "KIVAAE0370 text |-"},
      {"store reply without identity", store_user(&one, false),
       Talk(Connect(), Send(user, Done(), Next::kNoIdentity)), "KIVAAE0370 text |-"},
      {"group does not exist", store_user(&two, false), Talk(stored, ReadGroup("g1", "", {}, {}), Rollback()),
       "KIVAAE0373 text |-"},
      {"group read loses the session", store_user(&one, true),
       Talk(given, Send(user), ReadGroup("g1", "4", {}, {}, Next::kNoIdentity)), "KIVAAE0370 text |-"},
      {"group read unanswered", store_user(&one, false),
       Talk(stored, Unanswered(Lookup("group", "g1") + " /kiv:userref sortby(.)"), Rollback()),
       "KIVAAE0373 text |-"},
      {"refused rewrite not reported", store_user(&one, false),
       Talk(stored, ReadGroup("g1", "9", {}, {}),
            Send(Doc("group", "g1", Refs("user", {"u1"}), "9"), Locked(), Next::kSameKey), Commit()),
       "0|-"},
      {"rewrite reply without identity", store_user(&two, false),
       Talk(stored, ReadGroup("g1", "9", {}, {}),
            Send(Doc("group", "g1", Refs("user", {"u1"}), "9"), Done(), Next::kNoIdentity)),
       "KIVAAE0370 text |-"},
  };
  for (const auto &[name, store, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result, [&] { return Describe(store()); });
  }
}

}  // namespace
}  // namespace custor::testing
