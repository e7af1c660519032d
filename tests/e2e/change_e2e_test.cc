// Deletes, modifies and addACE against a real corvaned: the documents left behind, read back with plain
// queries, and the request log of each call, whose every command the server accepted with the key of
// the reply before it.
#include <cstdlib>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::StartsWith;

const std::string kNs = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";

std::string User(const std::string &id) {
  return "<kiv:user kiv:userid=\"" + id + "\"" + kNs + "><name>" + id + "</name></kiv:user>";
}
std::string Refs(const std::vector<std::string> &users, const std::vector<std::string> &acls) {
  std::string refs;
  for (const std::string &user : users) refs += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) refs += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return refs;
}
std::string Group(const std::string &name, const std::vector<std::string> &users,
                  const std::vector<std::string> &acls) {
  return "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">" + Refs(users, acls) + "</kiv:group>";
}
std::string Entries(const std::vector<std::pair<std::string, std::string>> &entries) {
  std::string text;
  for (const auto &[access, entry] : entries)
    text += "<kiv:ace kiv:access=\"" + access + "\">" + entry + "</kiv:ace>";
  return text;
}
std::string Acl(const std::string &name, const std::vector<std::pair<std::string, std::string>> &entries) {
  return "<kiv:acl kiv:aclname=\"" + name + "\"" + kNs + ">" + Entries(entries) + "</kiv:acl>";
}

std::string Take(char *text) {
  std::string copy = text != nullptr ? text : "(null)";
  std::free(text);
  return copy;
}

// One logged command: its text without the session tail, the session id of the tail ("" without one)
// and the server's code.
struct Step {
  std::string command;
  std::string session;
  std::string code;
  bool operator==(const Step &) const = default;
};
void PrintTo(const Step &step, std::ostream *out) {
  *out << "{" << step.command << " | " << step.session << " | " << step.code << "}";
}

class ChangeEndToEnd : public EndToEndTest {
 protected:
  void Begin() { start_ = end_ = server().LogSize(); }
  // Closes the range of Steps(), before the documents are read back.
  void End() { end_ = server().LogSize(); }

  // The commands of this test's database between Begin() and End(). Every command in the session must carry
  // the one session id; a stale key would have been refused with KIVXSE0030.
  std::vector<Step> Steps() const {
    const std::regex tail("&_sessionid=([0-9]+)&_sessionkey=([0-9a-f]{16})$");
    std::vector<Step> steps;
    const std::vector<LoggedRequest> log = server().Log();
    for (std::size_t i = start_; i < end_ && i < log.size(); ++i) {
      if (log[i].db != db()) continue;
      std::smatch match;
      if (std::regex_search(log[i].command, match, tail)) {
        steps.push_back(Step{log[i].command.substr(0, match.position(0)), "S", log[i].code});
        if (session_.empty()) session_ = match[1];
        EXPECT_EQ(match[1], session_) << log[i].command;
      } else {
        steps.push_back(Step{log[i].command, "", log[i].code});
      }
    }
    return steps;
  }

  // The result of a sessionless query (the whole xql:result element), or "" when there is none.
  std::string Stored(const std::string &query) const {
    const std::string reply = Send("_XQL=" + query);
    std::smatch match;
    if (!std::regex_search(reply, match, std::regex("<xql:result>(.*)</xql:result>"))) return "";
    return match[1];
  }
  std::string StoredGroup(const std::string &name) const {
    return Stored("/kiv:group [@kiv:groupname=\"" + name + "\"]");
  }
  std::string Id(const std::string &stored) const {
    std::smatch match;
    if (!std::regex_search(stored, match, std::regex("kiv:id=\"([0-9]+)\""))) return "";
    return match[1];
  }
  // The group as the server serialises it: kiv:id first, then its name, then the references (an
  // element without any as an empty-element tag).
  static std::string Serialised(const std::string &id, const std::string &name, const std::string &refs) {
    const std::string start = "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"";
    return refs.empty() ? start + "/>" : start + ">" + refs + "</kiv:group>";
  }
  static Step In(const std::string &command, const std::string &code = "0") {
    return Step{command, "S", code};
  }
  static Step Out(const std::string &command, const std::string &code = "0") {
    return Step{command, "", code};
  }
  static std::vector<Step> ReadGroup(const std::string &name) {
    const std::string group = "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]";
    return {In(group + " /kiv:userref sortby(.)"), In(group + " /kiv:aclref sortby(.)"), In(group)};
  }
  static void Append(std::vector<Step> &steps, const std::vector<Step> &more) {
    steps.insert(steps.end(), more.begin(), more.end());
  }

 private:
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  mutable std::string session_;
};

TEST_F(ChangeEndToEnd, DeletedUserLeavesBothGroupsWithAllTheirOtherReferences) {
  Seed(User("ann"));
  Seed(User("bob"));
  Seed(Acl("docs", {}));
  Seed(Group("G1", {"ann", "bob"}, {"docs"}));
  Seed(Group("G2", {"ann"}, {}));
  Seed(Group("G3", {"bob"}, {}));
  const std::string g1 = Id(StoredGroup("G1"));
  const std::string g2 = Id(StoredGroup("G2"));
  const std::string g3 = StoredGroup("G3");

  Begin();
  EXPECT_EQ(Take(deleteUser(0, db(), "ann", 0, 0)), "0");
  End();

  EXPECT_EQ(Stored("/kiv:user [@kiv:userid=\"ann\"]"), "");
  EXPECT_EQ(StoredGroup("G1"), Serialised(g1, "G1", Refs({"bob"}, {"docs"})));
  EXPECT_EQ(StoredGroup("G2"), Serialised(g2, "G2", ""));
  EXPECT_EQ(StoredGroup("G3"), g3);
  std::vector<Step> expected{Out("_connect=*"), In("_delete=kiv:user[@kiv:userid=\"ann\"]"),
                             In("_XQL=/kiv:group [kiv:userref=\"ann\"]")};
  Append(expected, ReadGroup("G1"));
  expected.push_back(In("_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"" + g1 +
                        "\" kiv:groupname=\"G1\"" + kNs + ">" + Refs({"bob"}, {"docs"}) + "</kiv:group>"));
  Append(expected, ReadGroup("G2"));
  expected.push_back(In("_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"" + g2 +
                        "\" kiv:groupname=\"G2\"" + kNs + "></kiv:group>"));
  Append(expected, {In("_commit=*"), In("_disconnect=*")});
  EXPECT_THAT(Steps(), ElementsAreArray(expected));
}

TEST_F(ChangeEndToEnd, DeletingAMissingUserChangesNothing) {
  Seed(User("ann"));
  Seed(Group("G1", {"ann"}, {}));
  const std::string before =
      Stored("/kiv:group sortby(@kiv:groupname)") + Stored("/kiv:user sortby(@kiv:userid)");

  Begin();
  EXPECT_EQ(Take(deleteUser(0, db(), "nobody", 0, 0)), "KIVXIE8300 No matching document found");
  End();

  EXPECT_EQ(Stored("/kiv:group sortby(@kiv:groupname)") + Stored("/kiv:user sortby(@kiv:userid)"), before);
  EXPECT_THAT(Steps(), ElementsAreArray({Out("_connect=*"),
                                         In("_delete=kiv:user[@kiv:userid=\"nobody\"]", "KIVXIE8300"),
                                         In("_rollback=*"), In("_disconnect=*")}));
}

TEST_F(ChangeEndToEnd, RenamedUserIsReferredToByItsNewIdOnly) {
  Seed(User("ann"));
  Seed(Group("G1", {"ann", "bob"}, {"docs"}));
  Seed(Group("G2", {"ann"}, {}));
  const std::string g1 = Id(StoredGroup("G1"));
  const std::string g2 = Id(StoredGroup("G2"));
  NameList groups{};
  groups.count = 2;
  groups.names[0] = const_cast<char *>("G1");
  groups.names[1] = const_cast<char *>("G2");

  Begin();
  EXPECT_EQ(Take(modifyUser(0, db(), "ann", "<name>Ann B</name>", "anna", &groups, 0, 0)), "0");
  End();

  EXPECT_EQ(Stored("/kiv:user [@kiv:userid=\"ann\"]"), "");
  EXPECT_THAT(Stored("/kiv:user [@kiv:userid=\"anna\"]"), StartsWith("<kiv:user kiv:id=\""));
  EXPECT_EQ(StoredGroup("G1"), Serialised(g1, "G1", Refs({"anna", "bob"}, {"docs"})));
  EXPECT_EQ(StoredGroup("G2"), Serialised(g2, "G2", Refs({"anna"}, {})));
  const std::string head = "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"";
  std::vector<Step> expected{Out("_connect=*"), In("_delete=kiv:user[@kiv:userid=\"ann\"]"),
                             In("_XQL=/kiv:group [kiv:userref=\"ann\"]")};
  Append(expected, ReadGroup("G1"));
  expected.push_back(
      In(head + g1 + "\" kiv:groupname=\"G1\"" + kNs + ">" + Refs({"bob"}, {"docs"}) + "</kiv:group>"));
  Append(expected, ReadGroup("G2"));
  expected.push_back(In(head + g2 + "\" kiv:groupname=\"G2\"" + kNs + "></kiv:group>"));
  expected.push_back(In("_process=<kiv:user kiv:userid=\"anna\"" + kNs + "><name>Ann B</name></kiv:user>"));
  Append(expected, ReadGroup("G1"));
  expected.push_back(In(head + g1 + "\" kiv:groupname=\"G1\"" + kNs + ">" + Refs({"anna", "bob"}, {"docs"}) +
                        "</kiv:group>"));
  Append(expected, ReadGroup("G2"));
  expected.push_back(
      In(head + g2 + "\" kiv:groupname=\"G2\"" + kNs + ">" + Refs({"anna"}, {}) + "</kiv:group>"));
  Append(expected, {In("_commit=*"), In("_disconnect=*")});
  EXPECT_THAT(Steps(), ElementsAreArray(expected));
}

TEST_F(ChangeEndToEnd, RenamedGroupKeepsItsReferences) {
  Seed(User("ann"));
  Seed(Acl("docs", {}));
  Seed(Group("G1", {"ann"}, {"docs"}));
  GroupRecord group{};
  group.nameOrId = const_cast<char *>("G9");
  group.userCount = 1;
  group.users[0] = const_cast<char *>("ann");
  group.aclCount = 1;
  group.acls[0] = const_cast<char *>("docs");

  Begin();
  EXPECT_EQ(Take(modifyGroup_BAT(0, db(), "G1", &group, 0, 0)), "0");
  End();

  EXPECT_EQ(StoredGroup("G1"), "");
  const std::string g9 = StoredGroup("G9");
  EXPECT_EQ(g9, Serialised(Id(g9), "G9", Refs({"ann"}, {"docs"})));
  const std::vector<Step> lookups{In("_XQL=/kiv:user [@kiv:userid=\"ann\"]"),
                                  In("_XQL=/kiv:acl [@kiv:aclname=\"docs\"]")};
  std::vector<Step> expected{Out("_XQL=/kiv:group [@kiv:groupname=\"G1\"]"), Out("_connect=*"),
                             In("_XQL=/kiv:group [@kiv:groupname=\"G9\"]")};
  Append(expected, lookups);
  expected.push_back(In("_delete=kiv:group[@kiv:groupname=\"G1\"]"));
  Append(expected, lookups);
  expected.push_back(
      In("_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:groupname=\"G9\"" + kNs + ">" +
         Refs({"ann"}, {"docs"}) + "</kiv:group>"));
  Append(expected, {In("_commit=*"), In("_disconnect=*")});
  EXPECT_THAT(Steps(), ElementsAreArray(expected));
}

TEST_F(ChangeEndToEnd, AclWithTwoEqualEntryTextsChangesNothing) {
  Seed(Acl("docs", {{"read", "all"}}));
  Seed(Group("G1", {}, {"docs"}));
  const std::string before =
      Stored("/kiv:acl sortby(@kiv:aclname)") + Stored("/kiv:group sortby(@kiv:groupname)");
  AceRecord first{const_cast<char *>("read"), const_cast<char *>("staff"), nullptr};
  AceRecord second{const_cast<char *>("write"), const_cast<char *>("staff"), nullptr};
  AclRecord acl{};
  acl.aceCount = 2;
  acl.aces[0] = &first;
  acl.aces[1] = &second;

  Begin();
  EXPECT_THAT(Take(modifyACL(0, db(), "docs", "docs", nullptr, &acl, 0, 0)), StartsWith("KIVAAE0377"));
  End();

  EXPECT_EQ(Stored("/kiv:acl sortby(@kiv:aclname)") + Stored("/kiv:group sortby(@kiv:groupname)"), before);
  // The session is opened before the check and left to the server's idle time-out.
  EXPECT_THAT(Steps(), ElementsAreArray({Out("_connect=*")}));
}

TEST_F(ChangeEndToEnd, AddedEntryComesLastAndAnExistingTextIsRefused) {
  Seed(Acl("docs", {{"read", "all"}, {"write", "staff"}}));
  Seed(Group("G1", {}, {"docs"}));
  const std::string id = Id(Stored("/kiv:acl [@kiv:aclname=\"docs\"]"));

  Begin();
  EXPECT_EQ(Take(addACE(0, db(), "docs", "admins", "delete", 0, 0)), "0");
  End();

  EXPECT_EQ(Stored("/kiv:acl [@kiv:aclname=\"docs\"]"),
            "<kiv:acl kiv:id=\"" + id + "\" kiv:aclname=\"docs\">" +
                Entries({{"read", "all"}, {"write", "staff"}, {"delete", "admins"}}) + "</kiv:acl>");
  EXPECT_THAT(Steps(),
              ElementsAreArray(
                  {Out("_connect=*"), Out("_XQL=/kiv:acl [@kiv:aclname=\"docs\"] /kiv:ace [. = \"admins\"]"),
                   In("_XQL=/kiv:acl [@kiv:aclname=\"docs\"]"),
                   In("_XQL=/kiv:group [kiv:aclref=\"docs\"]sortby(@kiv:groupname asc)"),
                   In("_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:id=\"" + id +
                      "\" kiv:aclname=\"docs\"" + kNs + ">" +
                      Entries({{"read", "all"}, {"write", "staff"}, {"delete", "admins"}}) + "</kiv:acl>"),
                   In("_commit=*"), In("_disconnect=*")}));

  const std::string after = Stored("/kiv:acl [@kiv:aclname=\"docs\"]");
  Begin();
  EXPECT_THAT(Take(addACE(0, db(), "docs", "staff", "read", 0, 0)), StartsWith("KIVAAE0377"));
  End();
  EXPECT_EQ(Stored("/kiv:acl [@kiv:aclname=\"docs\"]"), after);
  EXPECT_THAT(Steps(),
              ElementsAreArray({Out("_connect=*"),
                                Out("_XQL=/kiv:acl [@kiv:aclname=\"docs\"] /kiv:ace [. = \"staff\"]")}));
}

}  // namespace
}  // namespace custor::e2e
