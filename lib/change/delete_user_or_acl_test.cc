#include "change/delete_user_or_acl.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kDeleteUser = "_delete=kiv:user[@kiv:userid=\"u\"]";
const std::string kDeleteAcl = "_delete=kiv:acl[@kiv:aclname=\"u\"]";
const std::string kUserGroups = "_XQL=/kiv:group [kiv:userref=\"u\"]";
const std::string kAclGroups = "_XQL=/kiv:group [kiv:aclref=\"u\"]";

class DeleteUserOrAclTest : public AgentTest {};

TEST_F(DeleteUserOrAclTest, EveryPathOfTheDelete) {
  const Step deleted = Steps(Connect(), Send(kDeleteUser));
  const Step one_group = Steps(deleted, Send(kUserGroups, Found(GroupNode("4", "G1"))));
  const Session given{"12", "given", "0"}, lost{kLost, kLost, kLost};
  const std::tuple<const char *, Kind, const Session *, Script, std::string> cases[] = {
      {"user, no group", Kind::kUser, nullptr, Talk(deleted, Send(kUserGroups, None()), Commit()), "0|-"},
      {"every group in reply order; a refused store goes on", Kind::kUser, nullptr,
       Talk(deleted, Send(kUserGroups, Found(GroupNode("9", "G2") + GroupNode("4", "G1"))),
            ReadGroup("G2", "9", {"u", "v"}, {"a1"}),
            Send(Doc("group", "G2", Refs("user", {"v"}) + Refs("acl", {"a1"}), "9")),
            ReadGroup("G1", "4", {"b", "u"}, {}),
            Send(Doc("group", "G1", Refs("user", {"b"}), "4"), Locked(), kSameKey), Commit()),
       "0|-"},
      {"a refused delete still cleans up", Kind::kUser, nullptr,
       Talk(Connect(), Send(kDeleteUser, Locked(), kSameKey), Send(kUserGroups, Found(GroupNode("4", "G1"))),
            ReadGroup("G1", "4", {"u"}, {}), Send(Doc("group", "G1", "", "4")), Commit()),
       "0|-"},
      {"caller's transaction: not committed", Kind::kAcl, &given,
       Talk(Given("12", "given"), Send(kDeleteAcl), Send(kAclGroups, Found(GroupNode("4", "G1"))),
            ReadGroup("G1", "4", {"x"}, {"u"}), Send(Doc("group", "G1", Refs("user", {"x"}), "4"))),
       "0|12/k6/0"},
      {"no such user: rolled back", Kind::kUser, nullptr, Talk(Connect(), NotFound(kDeleteUser), Rollback()),
       "KIVXIE8300 No matching document found|-"},
      {"connect without session id", Kind::kUser, nullptr, Talk(ConnectWithoutId()), "KIVAAE0370 text |-"},
      {"connect refused: id and key 0", Kind::kUser, nullptr,
       Talk(ConnectRefused(), Given("0", "0"), SessionGone(kDeleteUser)), "KIVAAE0370 text |-"},
      {"delete reply without identity", Kind::kUser, nullptr,
       Talk(Connect(), Send(kDeleteUser, Done(), kNoIdentity)), "KIVAAE0370 text |-"},
      {"query reply without identity", Kind::kUser, nullptr,
       Talk(deleted, Send(kUserGroups, Found(GroupNode("4", "G1")), kNoIdentity)), "KIVAAE0370 text |-"},
      {"group read unanswered", Kind::kUser, nullptr,
       Talk(one_group, Unanswered(Lookup("group", "G1") + " /kiv:userref sortby(.)")), "KIVAAF0369 text |-"},
      {"group read loses the session", Kind::kUser, nullptr,
       Talk(one_group, ReadGroup("G1", "4", {"u"}, {}, kNoIdentity)), "KIVAAF0369 text |-"},
      {"an unreadable session sends nothing", Kind::kUser, &lost, Talk(), kLost + "|-"},
      {"group store without identity: the next group untouched", Kind::kUser, nullptr,
       Talk(deleted, Send(kUserGroups, Found(GroupNode("4", "G1") + GroupNode("5", "G2"))),
            ReadGroup("G1", "4", {"u"}, {}), Send(Doc("group", "G1", "", "4"), Done(), kNoIdentity)),
       "KIVAAF0369 text |-"},
  };
  for (const auto &[name, kind, session, script, result] : cases) {
    SCOPED_TRACE(name);
    Expect(script, result, [&, kind = kind, session = session] {
      return Describe(DeleteUserOrAcl(db1(), kind, "u", session));
    });
  }
}

TEST_F(DeleteUserOrAclTest, RewrittenGroupKeepsEveryOtherReference) {
  const std::tuple<Kind, std::vector<std::string>, std::vector<std::string>, std::string> cases[] = {
      // A same-named reference of the other kind stays; only the exact text goes, every time.
      {Kind::kUser, {"t", "u", "v"}, {"a", "u"}, Refs("user", {"t", "v"}) + Refs("acl", {"a", "u"})},
      {Kind::kAcl, {"t", "u"}, {"a", "u", "z"}, Refs("user", {"t", "u"}) + Refs("acl", {"a", "z"})},
      {Kind::kUser, {"U", "u", "u ", "u", "w"}, {}, Refs("user", {"U", "u ", "w"})},
  };
  for (const auto &[kind, users, acls, refs] : cases) {
    const Script script =
        Talk(Connect(), Send(kind == Kind::kUser ? kDeleteUser : kDeleteAcl),
             Send(kind == Kind::kUser ? kUserGroups : kAclGroups, Found(GroupNode("31", "Team A"))),
             ReadGroup("Team A", "31", users, acls), Send(Doc("group", "Team A", refs, "31")), Commit());
    Expect(script, "0",
           [&, kind = kind] { return DeleteUserOrAcl(db1(), kind, "u", nullptr).status.Text(); });
  }
}

}  // namespace
}  // namespace custor::testing
