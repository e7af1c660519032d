#include "change/modify.h"

#include <functional>

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kContent = "<name>Vera</name>";
const std::string kDeleteUser = "_delete=kiv:user[@kiv:userid=\"u\"]";
const std::string kUserGroups = "_XQL=/kiv:group [kiv:userref=\"u\"]";
const std::string kDeleteAcl = "_delete=kiv:acl[@kiv:aclname=\"A1\"]";
const std::string kAclGroups = "_XQL=/kiv:group [kiv:aclref=\"A1\"]";
const std::string kDeleteGroup = "_delete=kiv:group[@kiv:groupname=\"G1\"]";
const std::string kNotFound = "KIVXIE8300 No matching document found";

// Lookups in the session, found or not.
Step Lookups(bool found, const std::vector<std::pair<std::string, std::string>> &objects) {
  return [=](Script &s) {
    for (const auto &[kind, name] : objects) Send(Lookup(kind, name), found ? Found("<x/>") : None())(s);
  };
}

// The modifies in the form that the table calls them: their answer as text.
auto UserModify(Checks checks) {
  return [checks](const Call &call, std::string_view userid, const std::string &content,
                  std::string_view newuserid, const std::vector<std::string> *groups) {
    return ModifyUser(call, userid, content, newuserid,
                      groups != nullptr ? *groups : std::vector<std::string>(), checks)
        .Text();
  };
}
auto GroupModify(Checks checks) {
  return [checks](const Call &call, std::string_view groupname, const GroupContent &group) {
    return ModifyGroup(call, groupname, group, checks).Text();
  };
}
auto AclModify(Checks checks) {
  return [checks](const Call &call, std::string_view aclname, std::string_view newaclname,
                  const std::vector<std::string> *groups, const std::vector<Ace> &aces) {
    return ModifyAcl(call, aclname, newaclname, groups != nullptr ? *groups : std::vector<std::string>(),
                     aces, checks)
        .Text();
  };
}
const auto user_plain = UserModify(Checks::kNone), user_checked = UserModify(Checks::kLinked);
const auto group_plain = GroupModify(Checks::kNone), group_checked = GroupModify(Checks::kLinked);
const auto acl_plain = AclModify(Checks::kNone), acl_checked = AclModify(Checks::kLinked);

using Modify = std::function<std::string()>;
using Case = std::tuple<const char *, Modify, Script, std::string>;

// A write that the server refuses, and a lookup that finds the lock taken: the key stays as it was.
Step RefusedWrite(const std::string &command, const char *code) {
  return Send(command, Refused(code, "unknown error"), kSameKey);
}
Step LockedLookup(const std::string &kind, const std::string &name) {
  return Send(Lookup(kind, name), Locked(), kSameKey);
}

class ModifyTest : public AgentTest {
 protected:
  // Without the message table: the texts that stand in for a missing message.
  static Modify Bare(const Modify &modify) {
    return [modify] { return agent().ClearMessages(), modify(); };
  }
  static void ExpectEach(const std::vector<Case> &cases) {
    for (const auto &[name, modify, script, answer] : cases) {
      SCOPED_TRACE(name);
      Expect(script, answer, modify);
    }
  }
};

TEST_F(ModifyTest, ModifyUser) {
  const std::vector<std::string> g1{"G1"}, g1_g2{"G1", "G2"};
  const auto user = [&](auto modify, const std::vector<std::string> *groups) -> Modify {
    return [modify, groups] { return modify(db1(), "u", kContent, "v", groups); };
  };
  ExpectEach({
      {"user renamed: every group's reference redone", user(user_plain, &g1),
       Talk(Connect(), Send(kDeleteUser), Send(kUserGroups, Found(GroupNode("3", "G1"))),
            ReadGroup("G1", "3", {"a", "u"}, {"A1"}),
            Send(Doc("group", "G1", Refs("user", {"a"}) + Refs("acl", {"A1"}), "3")),
            Send(UserDoc("v", kContent)), ReadGroup("G1", "3", {"a"}, {"A1"}),
            Send(Doc("group", "G1", Refs("user", {"v", "a"}) + Refs("acl", {"A1"}), "3")), Commit()),
       "0"},
      {"user: connect without session id", user(user_plain, nullptr), Talk(ConnectWithoutId()),
       "KIVAAE0370 text "},
      {"user: connect refused", user(user_plain, nullptr), Talk(ConnectRefused()),
       "KIVXSE0031 Too many sessions"},
      {"user: no such user", user(user_plain, nullptr), Talk(Connect(), NotFound(kDeleteUser), Rollback()),
       kNotFound},
      {"user: new id taken", user(user_plain, nullptr),
       Talk(Connect(), Send(kDeleteUser), Send(kUserGroups, None()),
            RefusedWrite(UserDoc("v", kContent), "KIVXXE8610"), Rollback()),
       "KIVAAE0387 text "},
      {"checked user: second group missing", user(user_checked, &g1_g2),
       Talk(Plain(Lookup("group", "G1"), Result("<g/>")), Plain(Lookup("group", "G2"), NoResult())),
       "KIVAAE0390 text "},
      {"checked user, no group list", user(user_checked, nullptr),
       Talk(Connect(), Send(kDeleteUser), Send(kUserGroups, None()), Send(UserDoc("v", kContent)), Commit()),
       "0"},
  });
}

TEST_F(ModifyTest, ModifyGroup) {
  const GroupContent g2{"G2", {"U1", "U2"}, {"A1"}}, only_acl{"G2", {}, {"A1"}}, same{"G1", {}, {}};
  const std::string g2_doc = Doc("group", "G2", Refs("user", {"U1", "U2"}) + Refs("acl", {"A1"}));
  const auto group = [](auto modify, const GroupContent &content) -> Modify {
    return [modify, content] { return modify(db1(), "G1", content); };
  };
  const Step target_g2 =
      Steps(Plain(Lookup("group", "G1"), Result("<g/>")), Connect(), Send(Lookup("group", "G2"), None()));
  ExpectEach({
      {"group renamed", group(group_plain, g2),
       Talk(Connect(), Send(Lookup("group", "G2"), None()), Send(kDeleteGroup), Send(g2_doc), Commit()), "0"},
      {"checked group: references looked up before the delete and by the store", group(group_checked, g2),
       Talk(target_g2, Lookups(true, {{"user", "U1"}, {"user", "U2"}, {"acl", "A1"}}), Send(kDeleteGroup),
            Lookups(true, {{"user", "U1"}, {"user", "U2"}, {"acl", "A1"}}), Send(g2_doc), Commit()),
       "0"},
      {"checked group: no such group", group(group_checked, g2),
       Talk(Plain(Lookup("group", "G1"), NoResult())), "KIVAAE0390 text "},
      {"group: connect without session id", group(group_plain, g2), Talk(ConnectWithoutId()),
       "KIVAAE0370 text "},
      {"group: rename target lookup failed", group(group_plain, g2),
       Talk(Connect(), LockedLookup("group", "G2"), Rollback()), "KIVAAE0400 text "},
      {"group: same name, a failed target lookup goes on", group(group_plain, same),
       Talk(Connect(), LockedLookup("group", "G1"), Send(kDeleteGroup), Send(Doc("group", "G1", "")),
            Commit()),
       "0"},
      {"group: a refused delete is not reported", group(group_plain, g2),
       Talk(Connect(), Send(Lookup("group", "G2"), None()), NotFound(kDeleteGroup), Send(g2_doc), Commit()),
       "0"},
      {"checked group: missing user", group(group_checked, g2),
       Talk(target_g2, Lookups(false, {{"user", "U1"}}), Rollback()), "KIVAAE0388 text "},
      {"checked group: missing user, no message text", Bare(group(group_checked, g2)),
       Talk(target_g2, Lookups(true, {{"user", "U1"}}), Lookups(false, {{"user", "U2"}}), Rollback()),
       "getstring(USER_NOT_DEFINED)"},
      {"checked group: missing ACL", group(group_checked, only_acl),
       Talk(target_g2, Lookups(false, {{"acl", "A1"}}), Rollback()), "KIVAAE0389 text "},
      {"checked group: missing ACL, no message text", Bare(group(group_checked, g2)),
       Talk(target_g2, Lookups(true, {{"user", "U1"}, {"user", "U2"}}), Lookups(false, {{"acl", "A1"}}),
            Rollback()),
       "getstring(ACL_NOT_DEFINED)"},
  });
}

TEST_F(ModifyTest, ModifyAcl) {
  const std::vector<std::string> g1{"G1"}, g1_g2{"G1", "G2"};
  const std::vector<Ace> aces{{"r", "read all", ""}, {"w", "write own", "1"}, {"d", "delete any", "0"}};
  const std::vector<Ace> twice{{"r", "a", ""}, {"w", "b", ""}, {"x", "a", ""}};
  const std::string entries = Entry("r", "read all") + Entry("d", "delete any");
  const auto acl = [](auto modify, std::string name, std::vector<Ace> list) -> Modify {
    return [modify, name, list] { return modify(db1(), "A1", name, nullptr, list); };
  };
  const Step target_a2 = Steps(Connect(), Send(Lookup("acl", "A2"), None()));
  ExpectEach({
      {"acl renamed: every group's reference redone", [&] { return acl_plain(db1(), "A1", "A2", &g1, aces); },
       Talk(target_a2, Send(kDeleteAcl), Send(kAclGroups, Found(GroupNode("9", "G3"))),
            ReadGroup("G3", "9", {"A1"}, {"A0", "A1"}),
            Send(Doc("group", "G3", Refs("user", {"A1"}) + Refs("acl", {"A0"}), "9")),
            Send(Doc("acl", "A2", entries)), ReadGroup("G1", "3", {"u"}, {"A0"}),
            Send(Doc("group", "G1", Refs("user", {"u"}) + Refs("acl", {"A2", "A0"}), "3")), Commit()),
       "0"},
      {"acl: equal entry texts come before a lost session", acl(acl_plain, "A2", twice),
       Talk(ConnectWithoutId()), "KIVAAE0377 text "},
      {"acl: connect without session id", acl(acl_plain, "A2", aces), Talk(ConnectWithoutId()),
       "KIVAAE0370 text "},
      {"acl: rename target lookup failed", acl(acl_plain, "A2", aces),
       Talk(Connect(), LockedLookup("acl", "A2"), Rollback()), "KIVAAE0386 text "},
      {"acl: no such ACL", acl(acl_plain, "A1", aces),
       Talk(Connect(), Send(Lookup("acl", "A1"), Found("<x/>")), NotFound(kDeleteAcl), Rollback()),
       kNotFound},
      {"acl: same name, a failed target lookup goes on", acl(acl_plain, "A1", {}),
       Talk(Connect(), LockedLookup("acl", "A1"), Send(kDeleteAcl), Send(kAclGroups, None()),
            Send(Doc("acl", "A1", "")), Commit()),
       "0"},
      {"acl: store refused", acl(acl_plain, "A2", aces),
       Talk(target_a2, Send(kDeleteAcl), Send(kAclGroups, None()),
            RefusedWrite(Doc("acl", "A2", entries), "KIVXXE8610"), Rollback()),
       "KIVAAE0386 text "},
      {"checked acl: group missing", [&] { return acl_checked(db1(), "A1", "A2", &g1_g2, aces); },
       Talk(Plain(Lookup("group", "G1"), NoResult())), "KIVAAE0390 text "},
      {"checked acl: groups first, then equal entry texts",
       [&] { return acl_checked(db1(), "A1", "A2", &g1, twice); },
       Talk(Plain(Lookup("group", "G1"), Result("<g/>")), Connect()), "KIVAAE0377 text "},
  });
}

}  // namespace
}  // namespace custor::testing
