// Every family of operations against a real corvaned: reads of seeded documents, sessionless and in the
// readers' own sessions; transactions, creates, deletes, modifies and addACE with the documents they
// leave behind, read back with plain queries; refusals whose rollback really leaves the collection as
// it was. The exact commands of each operation are the unit tests' part.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// A group as the server serialises it when read.
std::string Serialised(const std::string &id, const std::string &name, const std::string &refs) {
  const std::string start = "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"";
  return refs.empty() ? start + "/>" : start + ">" + refs + "</kiv:group>";
}

class QueriesEndToEnd : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    // Seeded out of order: what the readers list sorted, the server sorted.
    Seed({UserDoc("bob", "bob's data"), UserDoc("ann", "<p><name>Ann Lee</name><room>12</room></p>"),
          UserDoc("u1", "<n>Zo\xC3\xAB Br\xC3\xB6nte</n>"), UserDoc("u2", "<n>AT&amp;T</n>"),
          UserDoc("u3", "<a>\xC3\x9Cnal</a><b>second</b>"),
          GroupDoc("staff", {"bob", "ann"}, {"web", "docs"}), GroupDoc("admins", {"ann"}, {"docs"}),
          GroupDoc("guests", {"bob"}), AclDoc("web"),
          AclDoc("docs", {{"write", "staff"}, {"none", "guests"}, {"read", "all"}})});
  }
};

TEST_F(QueriesEndToEnd, UserGroupAndAclReadAloneAndInTheirOwnSessions) {
  const std::string group_id = Id(StoredGroup("staff")),
                    acl_id = Id(Stored("/kiv:acl [@kiv:aclname=\"docs\"]"));
  ASSERT_FALSE(group_id.empty());
  for (const bool in_session : {false, true}) {
    SCOPED_TRACE(in_session);
    Mark();
    cli::Owned<UserRecord> user(
        (in_session ? getDetailsForUser : getDetailsForUser_RO)(0, db(), "ann", 0, 0));
    EXPECT_STREQ(user->data, "Ann Lee");
    EXPECT_THAT(Texts(user->groups, user->groupCount), ElementsAre("admins", "staff"));

    cli::Owned<GroupRecord> group(
        (in_session ? getDataForGroup : getDataForGroup_RO)(0, db(), "staff", 0, 0));
    EXPECT_EQ(group->nameOrId, group_id);
    EXPECT_THAT(Texts(group->users, group->userCount), ElementsAre("ann", "bob"));
    EXPECT_THAT(Texts(group->acls, group->aclCount), ElementsAre("docs", "web"));

    cli::Owned<AclRecord> acl((in_session ? getDataForACL : getDataForACL_RO)(0, db(), "docs", 0, 0));
    EXPECT_EQ(acl->id, acl_id);
    std::vector<std::string> entries;
    for (int i = 0; i < acl->aceCount; ++i)
      entries.push_back(acl->aces[i]->access + (":" + cli::Text(acl->aces[i]->text)));
    EXPECT_THAT(entries, ElementsAre("write:staff", "none:guests", "read:all")) << "in document order";
    EXPECT_THAT(Texts(acl->groups, acl->groupCount), ElementsAre("admins", "staff"));
    // Each reader in a session of its own, every command of it taken by the server.
    const std::vector<std::string> steps = Steps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "_connect=*"), in_session ? 3 : 0);
    for (const std::string &step : steps) EXPECT_THAT(step, Not(HasSubstr(" -> ")));
  }
}

TEST_F(QueriesEndToEnd, NameListsUserDataAndUnknownObjects) {
  cli::Owned<NameList> users(getUsers(0, db(), 0, 0)), groups(getGroups(0, db(), 0, 0)),
      acls(getACLs(0, db(), 0, 0));
  EXPECT_THAT(Texts(users->names, users->count), ElementsAre("ann", "bob", "u1", "u2", "u3"));
  EXPECT_THAT(Texts(groups->names, groups->count), ElementsAre("admins", "guests", "staff"));
  EXPECT_THAT(Texts(acls->names, acls->count), ElementsAre("docs", "web"));
  // The data is the first run of text as the parser delivers it: an entity reference ends a run.
  cli::Owned<UserDataList> data(getUserData(0, db(), 0, 0));
  EXPECT_THAT(Texts(data->userIds, data->count), ElementsAre("ann", "bob", "u1", "u2", "u3"));
  EXPECT_THAT(Texts(data->userData, data->count),
              ElementsAre("Ann Lee", "bob's data", "Zo\xC3\xAB Br\xC3\xB6nte", "AT", "second"));
  cli::Owned<UserRecord> user(getDetailsForUser_RO(0, db(), "nobody", 0, 0));
  cli::Owned<GroupRecord> group(getDataForGroup_RO(0, db(), "nogroup", 0, 0));
  cli::Owned<AclRecord> acl(getDataForACL_RO(0, db(), "noacl", 0, 0));
  EXPECT_EQ(std::string(user->status) + "|" + user->data + "|" + std::to_string(user->groupCount), "0||0");
  EXPECT_EQ(std::string(group->status) + "|" + group->nameOrId, "0|VRX@DLL PARSE_ERR");
  EXPECT_STREQ(acl->status, "XQL request processed, no object returned");
  EXPECT_THAT(acl->session->status, ::testing::StartsWith("KIVAAE0372"));
  EXPECT_EQ(acl->aceCount + acl->groupCount, 0);
}

class ChangeEndToEnd : public EndToEndTest {};

// A write made by hand in a session of createSession's is kept by a commit and dropped by a rollback;
// either way the session is gone after it.
TEST_F(ChangeEndToEnd, TransactionCommitsOrRollsBackWhatWasWrittenInIt) {
  for (int mode : {0, 1}) {
    const std::string id = mode == 0 ? "kept" : "dropped";
    cli::Owned<SessionRecord> session(createSession(0, db(), 0, 0));
    ASSERT_STREQ(session->status, "0");
    const std::string reply = Send("_process=" + UserDoc(id) + "&_sessionid=" + session->sessionId +
                                   "&_sessionkey=" + session->sessionKey);
    std::free(session->sessionKey);
    session->sessionKey = strdup(Find(reply, kSessionKey).c_str());
    EXPECT_EQ(Take(endTransaction(session.get(), 0, db(), 0, 0, mode)), "Session closed");
    EXPECT_EQ(Collection(db()).find(id) != std::string::npos, mode == 0) << id;
    cli::Owned<TransactionOutcome> again(endTransactionNew(session.get(), 0, db(), 0, 0, mode));
    EXPECT_STREQ(again->message, "Invalid session") << "the server no longer knows the session";
  }
}

// Names and content with bytes that mean something in a URL, or are not ASCII, travel unchanged; the
// groups are rewritten in place, and deleting the user takes out its reference alone.
TEST_F(ChangeEndToEnd, UserCreatedIntoTwoGroupsAndDeletedFromThem) {
  const std::string user = "a%+#\xC3\xA9", group = "g%+#\xC3\xA9";
  const std::string content = "<d>x%+#\xC3\xA9 y</d><e>a &amp; b &lt; c</e>";
  Seed({GroupDoc("g1", {"zed"}), GroupDoc(group, {"amy"}, {"a0"}), GroupDoc("g3", {"zed"})});
  const std::string id1 = Id(StoredGroup("g1")), id2 = Id(StoredGroup(group)), g3 = StoredGroup("g3");
  NameList groups = Names({"g1", group.c_str()});
  EXPECT_EQ(Take(createUser(0, db(), content.c_str(), user.c_str(), &groups, 0, 0)), "0");
  cli::Owned<UserRecord> read(getDetailsForUser_RO(0, db(), user.c_str(), 0, 0));
  EXPECT_STREQ(read->data, "x%+#\xC3\xA9 y");
  EXPECT_THAT(Texts(read->groups, read->groupCount), ElementsAre(group, "g1"));
  EXPECT_THAT(Send("_XQL=/kiv:user [@kiv:userid=\"" + user + "\"]"),
              HasSubstr("\">" + content + "</kiv:user>"));
  EXPECT_EQ(StoredGroup("g1"), Serialised(id1, "g1", Refs({user, "zed"}, {})));
  EXPECT_EQ(StoredGroup(group), Serialised(id2, group, Refs({user, "amy"}, {"a0"})));

  EXPECT_EQ(Take(deleteUser(0, db(), user.c_str(), 0, 0)), "0");
  EXPECT_EQ(Stored("/kiv:user [@kiv:userid=\"" + user + "\"]"), "");
  EXPECT_EQ(StoredGroup("g1"), Serialised(id1, "g1", Refs({"zed"}, {})));
  EXPECT_EQ(StoredGroup(group), Serialised(id2, group, Refs({"amy"}, {"a0"})));
  EXPECT_EQ(StoredGroup("g3"), g3);
}

TEST_F(ChangeEndToEnd, RefusalsRollBackAndLeaveTheCollectionAsItWas) {
  Seed({UserDoc("ann"), GroupDoc("g1", {"zed"}, {"docs"}), AclDoc("docs")});
  NameList missing = Names({"g1", "nope"});
  GroupRecord group{Mut("G9"), nullptr, 1, 1, nullptr, {Mut("ann")}, {Mut("nope")}};
  const std::pair<std::string, std::function<char *()>> cases[] = {
      {"KIVAAE0387 User already exists ", [&] { return createUser(0, db(), "<d/>", "ann", nullptr, 0, 0); }},
      {"KIVAAE0373 Group to be linked does not exist or could not be read ",
       [&] { return createUser(0, db(), "<d/>", "bob", &missing, 0, 0); }},
      {"KIVAAE0389 ACL does not exist ", [&] { return createGroup_BAT(0, db(), &group, 0, 0); }},
      {"KIVXIE8300 No matching document found", [&] { return deleteUser(0, db(), "nobody", 0, 0); }},
  };
  const std::string before = Collection(db());
  for (const auto &[answer, call] : cases) {
    Mark();
    EXPECT_EQ(Take(call()), answer);
    const std::vector<std::string> steps = Steps();
    ASSERT_GE(steps.size(), 2u) << answer;
    EXPECT_THAT(std::vector(steps.end() - 2, steps.end()), ElementsAre("_rollback=*", "_disconnect=*"))
        << answer;
    EXPECT_EQ(Collection(db()), before) << answer;
  }
}

TEST_F(ChangeEndToEnd, AclAndGroupCreatedRenamedAndExtendedReadBack) {
  Seed({UserDoc("ann")});
  Inputs in;  // group G9 of ann and docs
  AceRecord aces[3] = {{Mut("write"), Mut("staff"), Mut("0")},
                       {Mut("none"), Mut("guests"), Mut("1")},
                       {Mut("read"), Mut("all"), nullptr}};
  in.acl.aceCount = 3;
  for (int i = 0; i < 3; ++i) in.acl.aces[i] = &aces[i];
  EXPECT_EQ(Take(createACL(0, db(), "docs", nullptr, &in.acl, 0, 0)), "0");
  EXPECT_EQ(Take(createGroup_BAT(0, db(), &in.group, 0, 0)), "0");
  in.group.nameOrId = Mut("G7");
  EXPECT_EQ(Take(modifyGroup_BAT(0, db(), "G9", &in.group, 0, 0)), "0");
  EXPECT_EQ(Take(addACE(0, db(), "docs", "admins", "delete", 0, 0)), "0");

  EXPECT_EQ(StoredGroup("G9"), "");
  EXPECT_EQ(StoredGroup("G7"), Serialised(Id(StoredGroup("G7")), "G7", Refs({"ann"}, {"docs"})));
  const std::string acl = Stored("/kiv:acl [@kiv:aclname=\"docs\"]");
  EXPECT_EQ(acl, "<kiv:acl kiv:id=\"" + Id(acl) + "\" kiv:aclname=\"docs\">" +
                     AceTexts({{"write", "staff"}, {"read", "all"}, {"delete", "admins"}}) + "</kiv:acl>")
      << "without the omitted entry, the added one last";
  cli::Owned<AclRecord> read(getDataForACL_RO(0, db(), "docs", 0, 0));
  EXPECT_THAT(Texts(read->groups, read->groupCount), ElementsAre("G7"));
}

}  // namespace
}  // namespace custor::e2e
