// The readers of users, groups and ACLs against a real corvaned: documents are seeded with _process,
// then read sessionless and in the readers' own sessions.
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::string kNs = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";

std::string User(const std::string &id, const std::string &content) {
  return "<kiv:user kiv:userid=\"" + id + "\"" + kNs + ">" + content + "</kiv:user>";
}

std::string Group(const std::string &name, const std::vector<std::string> &users,
                  const std::vector<std::string> &acls) {
  std::string document = "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">";
  for (const std::string &user : users) document += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) document += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return document + "</kiv:group>";
}

std::vector<std::string> Texts(char *const *texts, int count) {
  return std::vector<std::string>(texts, texts + count);
}

void FreeSession(SessionRecord *session) {
  if (session == nullptr) return;
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session);  // status is shared
}

void Free(UserRecord *user) {
  std::free(user->data);
  for (int i = 0; i < user->groupCount; ++i) std::free(user->groups[i]);
  FreeSession(user->session);
  std::free(user);
}

void Free(GroupRecord *group) {
  std::free(group->nameOrId);
  for (int i = 0; i < group->userCount; ++i) std::free(group->users[i]);
  for (int i = 0; i < group->aclCount; ++i) std::free(group->acls[i]);
  FreeSession(group->session);
  std::free(group);
}

void Free(AclRecord *acl) {
  std::free(acl->id);
  for (int i = 0; i < acl->aceCount; ++i) {
    std::free(acl->aces[i]->access);
    std::free(acl->aces[i]->text);
    std::free(acl->aces[i]);
  }
  for (int i = 0; i < acl->groupCount; ++i) std::free(acl->groups[i]);
  FreeSession(acl->session);
  std::free(acl);
}

void Free(UserDataList *list) {
  for (int i = 0; i < list->count; ++i) {
    std::free(list->userIds[i]);
    std::free(list->userData[i]);
  }
  std::free(list);
}

// Checks that `sent` is `_connect=*`, then `queries` each carrying one session's id and a key that
// changes from command to command, then the given end and the disconnect.
void ExpectOwnSession(const std::vector<std::string> &sent, const std::vector<std::string> &queries,
                      const std::string &end) {
  ASSERT_EQ(sent.size(), queries.size() + 3) << ::testing::PrintToString(sent);
  EXPECT_EQ(sent[0], "_connect=*");
  std::vector<std::string> verbs = queries;
  verbs.push_back(end);
  verbs.push_back("_disconnect=*");
  const std::regex tail("&_sessionid=([0-9]+)&_sessionkey=([0-9a-f]{16})$");
  std::string id;
  std::string key;
  for (std::size_t i = 0; i < verbs.size(); ++i) {
    const std::string &command = sent[i + 1];
    std::smatch match;
    ASSERT_TRUE(std::regex_search(command, match, tail)) << command;
    EXPECT_EQ(command.substr(0, match.position(0)), verbs[i]);
    if (i > 0) {
      EXPECT_EQ(match[1], id) << command;
      EXPECT_NE(match[2], key) << command << ": the key of the reply before";
    }
    id = match[1];
    key = match[2];
  }
}

class QueriesEndToEnd : public EndToEndTest {
 protected:
  // The kiv:id the server gave the group document `name`.
  std::string GroupId(const std::string &name) const {
    const std::string reply = Send("_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]");
    std::smatch match;
    if (!std::regex_search(reply, match, std::regex("<kiv:group kiv:id=\"([0-9]+)\""))) return "";
    return match[1];
  }
  std::string AclId(const std::string &name) const {
    const std::string reply = Send("_XQL=/kiv:acl [@kiv:aclname=\"" + name + "\"]");
    std::smatch match;
    if (!std::regex_search(reply, match, std::regex("<kiv:acl kiv:id=\"([0-9]+)\""))) return "";
    return match[1];
  }
};

TEST_F(QueriesEndToEnd, UserWithContentAndTheGroupsThatReferToIt) {
  Seed(User("ann", "<profile><name>Ann Lee</name><room>12</room></profile>"));
  Seed(User("bob", "bob's data"));
  Seed(Group("staff", {"bob", "ann"}, {}));
  Seed(Group("admins", {"ann"}, {}));
  Seed(Group("guests", {"bob"}, {}));
  const std::string user_query = "_XQL=/kiv:user [@kiv:userid=\"ann\"]";
  const std::string groups_query = "_XQL=/kiv:group [kiv:userref=\"ann\"]sortby(@kiv:groupname)";

  Mark();
  UserRecord *user = getDetailsForUser_RO(0, db(), "ann", 0, 0);
  EXPECT_STREQ(user->status, "0");
  EXPECT_STREQ(user->data, "Ann Lee");
  EXPECT_THAT(Texts(user->groups, user->groupCount), ElementsAre("admins", "staff"));
  ASSERT_NE(user->session, nullptr);
  EXPECT_STREQ(user->session->sessionId, "0");
  EXPECT_THAT(Sent(), ElementsAre(user_query, groups_query));
  Free(user);

  Mark();
  user = getDetailsForUser(0, db(), "ann", 0, 0);
  EXPECT_STREQ(user->status, "0");
  EXPECT_STREQ(user->data, "Ann Lee");
  EXPECT_THAT(Texts(user->groups, user->groupCount), ElementsAre("admins", "staff"));
  ExpectOwnSession(Sent(), {user_query, groups_query}, "_commit=*");
  Free(user);
}

TEST_F(QueriesEndToEnd, UserDataOfThreeUsersInFourQueries) {
  Seed(User("carol", "<n>third</n>"));
  Seed(User("alice", "<n>first</n>"));
  Seed(User("bob", "<n>second</n>"));
  Mark();
  UserDataList *list = getUserData(0, db(), 0, 0);
  EXPECT_STREQ(list->status, "0");
  EXPECT_THAT(Texts(list->userIds, list->count), ElementsAre("alice", "bob", "carol"));
  EXPECT_THAT(Texts(list->userData, list->count), ElementsAre("first", "second", "third"));
  EXPECT_THAT(Sent(),
              ElementsAre("_XQL=/kiv:user sortby(@kiv:userid)", "_XQL=/kiv:user [@kiv:userid=\"alice\"]",
                          "_XQL=/kiv:user [@kiv:userid=\"bob\"]", "_XQL=/kiv:user [@kiv:userid=\"carol\"]"));
  Free(list);
}

TEST_F(QueriesEndToEnd, GroupWithSortedReferencesAndItsId) {
  Seed(Group("other", {"x"}, {}));
  Seed(Group("staff", {"carol", "alice", "bob"}, {"web", "docs"}));
  const std::string id = GroupId("staff");
  ASSERT_FALSE(id.empty());
  const std::vector<std::string> queries = {
      "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:userref sortby(.)",
      "_XQL=/kiv:group [@kiv:groupname=\"staff\"] /kiv:aclref sortby(.)",
      "_XQL=/kiv:group [@kiv:groupname=\"staff\"]"};

  for (bool read_only : {true, false}) {
    Mark();
    GroupRecord *group = (read_only ? getDataForGroup_RO : getDataForGroup)(0, db(), "staff", 0, 0);
    EXPECT_STREQ(group->status, "0");
    EXPECT_EQ(group->nameOrId, id);
    EXPECT_THAT(Texts(group->users, group->userCount), ElementsAre("alice", "bob", "carol"));
    EXPECT_THAT(Texts(group->acls, group->aclCount), ElementsAre("docs", "web"));
    EXPECT_EQ(group->session, nullptr);
    if (read_only) {
      EXPECT_THAT(Sent(), ElementsAreArray(queries));
    } else {
      ExpectOwnSession(Sent(), queries, "_commit=*");
    }
    Free(group);
  }
}

TEST_F(QueriesEndToEnd, AclWithEntriesInDocumentOrderAndTheGroupsThatReferToIt) {
  Seed("<kiv:acl kiv:aclname=\"docs\"" + kNs +
       "><kiv:ace kiv:access=\"write\">staff</kiv:ace><kiv:ace kiv:access=\"none\">guests</kiv:ace>"
       "<kiv:ace kiv:access=\"read\">all</kiv:ace></kiv:acl>");
  Seed(Group("zeta", {}, {"docs"}));
  Seed(Group("alpha", {}, {"docs", "web"}));
  Seed(Group("mid", {}, {"web"}));
  const std::string id = AclId("docs");
  ASSERT_FALSE(id.empty());
  const std::vector<std::string> queries = {
      "_XQL=/kiv:acl [@kiv:aclname=\"docs\"]",
      "_XQL=/kiv:group [kiv:aclref=\"docs\"]sortby(@kiv:groupname asc)"};

  for (bool read_only : {true, false}) {
    Mark();
    AclRecord *acl = (read_only ? getDataForACL_RO : getDataForACL)(0, db(), "docs", 0, 0);
    EXPECT_STREQ(acl->status, "0");
    EXPECT_EQ(acl->id, id);
    ASSERT_EQ(acl->aceCount, 3);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"write", "staff"}, {"none", "guests"}, {"read", "all"}};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(acl->aces[i]->access, expected[i].first) << i;
      EXPECT_EQ(acl->aces[i]->text, expected[i].second) << i;
      EXPECT_EQ(acl->aces[i]->omit, nullptr) << i;
    }
    EXPECT_THAT(Texts(acl->groups, acl->groupCount), ElementsAre("alpha", "zeta"));
    EXPECT_EQ(acl->session, nullptr);
    if (read_only) {
      EXPECT_THAT(Sent(), ElementsAreArray(queries));
    } else {
      ExpectOwnSession(Sent(), queries, "_rollback=*");
    }
    Free(acl);
  }
}

TEST_F(QueriesEndToEnd, UnknownObjects) {
  Seed(User("ann", "x"));
  Mark();
  UserRecord *user = getDetailsForUser_RO(0, db(), "nobody", 0, 0);
  EXPECT_STREQ(user->status, "0");
  EXPECT_STREQ(user->data, "");
  EXPECT_EQ(user->groupCount, 0);
  Free(user);

  GroupRecord *group = getDataForGroup_RO(0, db(), "nogroup", 0, 0);
  EXPECT_STREQ(group->status, "0");
  EXPECT_STREQ(group->nameOrId, "VRX@DLL PARSE_ERR");
  EXPECT_EQ(group->userCount, 0);
  EXPECT_EQ(group->aclCount, 0);
  Free(group);

  AclRecord *acl = getDataForACL_RO(0, db(), "noacl", 0, 0);
  EXPECT_STREQ(acl->status, "XQL request processed, no object returned");
  EXPECT_EQ(acl->aceCount, 0);
  EXPECT_EQ(acl->groupCount, 0);
  EXPECT_EQ(acl->id, nullptr);
  ASSERT_NE(acl->session, nullptr);
  EXPECT_STREQ(acl->session->sessionId, "");
  EXPECT_STREQ(acl->session->sessionKey, "");
  EXPECT_EQ(std::string(acl->session->status).rfind("KIVAAE0372", 0), 0u) << acl->session->status;
  Free(acl);

  EXPECT_THAT(Sent(), ElementsAre("_XQL=/kiv:user [@kiv:userid=\"nobody\"]",
                                  "_XQL=/kiv:group [kiv:userref=\"nobody\"]sortby(@kiv:groupname)",
                                  "_XQL=/kiv:group [@kiv:groupname=\"nogroup\"] /kiv:userref sortby(.)",
                                  "_XQL=/kiv:group [@kiv:groupname=\"nogroup\"] /kiv:aclref sortby(.)",
                                  "_XQL=/kiv:group [@kiv:groupname=\"nogroup\"]",
                                  "_XQL=/kiv:acl [@kiv:aclname=\"noacl\"]"))
      << "an unknown ACL ends the read after its first query";
}

TEST_F(QueriesEndToEnd, UserContentWithEscapesAndUtf8) {
  // The data is the first run of text as the parser delivers it: an entity reference ends a run.
  struct Case {
    const char *id;
    const char *content;
    const char *data;
  };
  const Case cases[] = {
      {"u1", "<name>Zo\xC3\xAB Br\xC3\xB6nte</name>", "Zo\xC3\xAB Br\xC3\xB6nte"},
      {"u2", "<note>AT&amp;T</note>", "AT"},
      {"u3", "<note>&lt;b&gt; bold</note>", "<"},
      {"u4", "<a>\xC3\x9Cnal</a><b>second</b>", "second"},
  };
  for (const Case &c : cases) Seed(User(c.id, c.content));
  for (const Case &c : cases) {
    UserRecord *user = getDetailsForUser_RO(0, db(), c.id, 0, 0);
    EXPECT_STREQ(user->status, "0") << c.id;
    EXPECT_STREQ(user->data, c.data) << c.id;
    Free(user);
  }
  UserDataList *list = getUserData(0, db(), 0, 0);
  ASSERT_EQ(list->count, 4);
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(list->userData[i], cases[i].data) << cases[i].id;
  Free(list);
}

}  // namespace
}  // namespace custor::e2e
