// The create operations against a real corvaned: what they store, what a refusal leaves behind (the
// rollbacks are real), and the exact sequence of commands each sends.
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "custor/agent.h"
#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kNs = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";

std::string Group(const std::string &name, const std::vector<std::string> &users,
                  const std::vector<std::string> &acls) {
  std::string document = "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">";
  for (const std::string &user : users) document += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) document += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return document + "</kiv:group>";
}

// The library's text of a message code, as the agent's table gives it.
std::string Message(const char *code) {
  char *text = nullptr;
  NIMBAMfLoadResource("kivmsg", code, 0, &text);
  return text == nullptr ? code : std::string(code) + text + " ";
}

std::string Take(char *answer) {
  std::string text = answer != nullptr ? answer : "(null)";
  std::free(answer);
  return text;
}

std::vector<std::string> Texts(char *const *texts, int count) { return {texts, texts + count}; }

// A group list or a record of the agent's, at its full size.
template <typename Record>
struct Owned {
  Owned() : record(static_cast<Record *>(std::calloc(1, sizeof(Record)))) {}
  ~Owned() { std::free(record); }
  Record *operator->() { return record; }
  Record *get() { return record; }
  Record *record;
};

void FreeSession(SessionRecord *session) {
  if (session == nullptr) return;
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session);
}

// A command expected inside the session: its text without the session tail, and whether its key is the
// one of the command before (a command that the server refused leaves the key as it was).
struct InSession {
  std::string body;
  bool same_key = false;
};

// Checks `sent`: first the sessionless commands, then "_connect=*", then the session's commands, each
// carrying the session's id and the key of the reply before it.
void ExpectSent(const std::vector<std::string> &sent, const std::vector<std::string> &sessionless,
                const std::vector<InSession> &session) {
  ASSERT_EQ(sent.size(), sessionless.size() + 1 + session.size()) << ::testing::PrintToString(sent);
  for (std::size_t i = 0; i < sessionless.size(); ++i) EXPECT_EQ(sent[i], sessionless[i]);
  EXPECT_EQ(sent[sessionless.size()], "_connect=*");
  const std::regex tail("&_sessionid=([0-9]+)&_sessionkey=([0-9a-f]{16})$");
  std::string id;
  std::string key;
  for (std::size_t i = 0; i < session.size(); ++i) {
    const std::string &command = sent[sessionless.size() + 1 + i];
    std::smatch match;
    ASSERT_TRUE(std::regex_search(command, match, tail)) << command;
    EXPECT_EQ(command.substr(0, match.position(0)), session[i].body);
    if (i > 0) {
      EXPECT_EQ(match[1], id) << command;
      if (session[i].same_key) {
        EXPECT_EQ(match[2], key) << command;
      } else {
        EXPECT_NE(match[2], key) << command;
      }
    }
    id = match[1];
    key = match[2];
  }
}

// The three queries of a group read in a session.
std::vector<InSession> GroupRead(const std::string &name) {
  const std::string selector = "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]";
  return {{selector + " /kiv:userref sortby(.)"}, {selector + " /kiv:aclref sortby(.)"}, {selector}};
}

std::vector<InSession> Concat(std::initializer_list<std::vector<InSession>> parts) {
  std::vector<InSession> all;
  for (const auto &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class CreateEndToEnd : public EndToEndTest {
 protected:
  // The stored group document `name` as the server serialises it, or "".
  std::string GroupDocument(const std::string &name) const {
    const std::string reply = Send("_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]");
    std::smatch match;
    if (!std::regex_search(reply, match, std::regex("<kiv:group kiv:id=.*</kiv:group>"))) return "";
    return match[0];
  }
  std::string GroupId(const std::string &name) const {
    std::smatch match;
    const std::string document = GroupDocument(name);
    if (!std::regex_search(document, match, std::regex("^<kiv:group kiv:id=\"([0-9]+)\""))) return "";
    return match[1];
  }
  std::vector<std::string> Users() const {
    NameList *list = getUsers(0, db(), 0, 0);
    std::vector<std::string> names = Texts(list->names, list->count);
    for (int i = 0; i < list->count; ++i) std::free(list->names[i]);
    std::free(list);
    return names;
  }
  std::vector<std::string> Groups() const {
    NameList *list = getGroups(0, db(), 0, 0);
    std::vector<std::string> names = Texts(list->names, list->count);
    for (int i = 0; i < list->count; ++i) std::free(list->names[i]);
    std::free(list);
    return names;
  }
  // The user's data and groups as getDetailsForUser_RO reads them.
  std::pair<std::string, std::vector<std::string>> User(const char *userid) const {
    UserRecord *user = getDetailsForUser_RO(0, db(), userid, 0, 0);
    std::pair<std::string, std::vector<std::string>> read{user->data != nullptr ? user->data : "(none)",
                                                          Texts(user->groups, user->groupCount)};
    std::free(user->data);
    for (int i = 0; i < user->groupCount; ++i) std::free(user->groups[i]);
    FreeSession(user->session);
    std::free(user);
    return read;
  }
};

TEST_F(CreateEndToEnd, UserIntoTwoGroupsIsReadBackWithBothAndListedFirst) {
  Seed(Group("g1", {"zed"}, {}));
  Seed(Group("g2", {"amy"}, {"a0"}));
  const std::string id1 = GroupId("g1");
  const std::string id2 = GroupId("g2");
  Owned<NameList> groups;
  char g1[] = "g1", g2[] = "g2";
  groups->count = 2;
  groups->names[0] = g1;
  groups->names[1] = g2;

  Mark();
  EXPECT_EQ(Take(createUser(0, db(), "<d>Anna</d>", "anna", groups.get(), 0, 0)), "0");
  const std::string g1_rewrite = "_process=" + kDecl + "<kiv:group kiv:id=\"" + id1 +
                                 "\" kiv:groupname=\"g1\"" + kNs +
                                 "><kiv:userref>anna</kiv:userref><kiv:userref>zed</kiv:userref></kiv:group>";
  const std::string g2_rewrite = "_process=" + kDecl + "<kiv:group kiv:id=\"" + id2 +
                                 "\" kiv:groupname=\"g2\"" + kNs +
                                 "><kiv:userref>anna</kiv:userref><kiv:userref>amy</kiv:userref>"
                                 "<kiv:aclref>a0</kiv:aclref></kiv:group>";
  ExpectSent(Sent(), {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
             Concat({{{"_process=<kiv:user kiv:userid=\"anna\"" + kNs + "><d>Anna</d></kiv:user>"}},
                     GroupRead("g1"),
                     {{g1_rewrite}},
                     GroupRead("g2"),
                     {{g2_rewrite}, {"_commit=*"}, {"_disconnect=*"}}}));

  EXPECT_EQ(User("anna"), std::make_pair(std::string("Anna"), std::vector<std::string>{"g1", "g2"}));
  EXPECT_THAT(GroupDocument("g1"),
              HasSubstr("><kiv:userref>anna</kiv:userref><kiv:userref>zed</kiv:userref>"));
  EXPECT_THAT(GroupDocument("g2"), HasSubstr("><kiv:userref>anna</kiv:userref><kiv:userref>amy</kiv:userref>"
                                             "<kiv:aclref>a0</kiv:aclref>"));
  EXPECT_EQ(GroupId("g1"), id1) << "rewritten in place";
}

TEST_F(CreateEndToEnd, SecondCreateOfAUserIsRefusedAndChangesNothing) {
  Seed(Group("g1", {}, {}));
  EXPECT_EQ(Take(createUser(0, db(), "<d>first</d>", "anna", nullptr, 0, 0)), "0");
  Owned<NameList> groups;
  char g1[] = "g1";
  groups->count = 1;
  groups->names[0] = g1;
  const std::string before = GroupDocument("g1");

  Mark();
  EXPECT_EQ(Take(createUser(0, db(), "<d>second</d>", "anna", groups.get(), 0, 0)), Message("KIVAAE0387"));
  ExpectSent(Sent(), {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
             {{"_process=<kiv:user kiv:userid=\"anna\"" + kNs + "><d>second</d></kiv:user>"},
              {"_rollback=*", true},
              {"_disconnect=*"}});
  EXPECT_EQ(User("anna"), std::make_pair(std::string("first"), std::vector<std::string>{}));
  EXPECT_EQ(GroupDocument("g1"), before);
}

TEST_F(CreateEndToEnd, UserIntoAMissingGroupIsRolledBackWhole) {
  Seed(Group("g1", {"zed"}, {}));
  const std::string before = GroupDocument("g1");
  const std::string id1 = GroupId("g1");
  Owned<NameList> groups;
  char g1[] = "g1", nope[] = "nope";
  groups->count = 2;
  groups->names[0] = g1;
  groups->names[1] = nope;

  Mark();
  EXPECT_EQ(Take(createUser(0, db(), "<d>Anna</d>", "anna", groups.get(), 0, 0)), Message("KIVAAE0373"));
  ExpectSent(Sent(), {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
             Concat({{{"_process=<kiv:user kiv:userid=\"anna\"" + kNs + "><d>Anna</d></kiv:user>"}},
                     GroupRead("g1"),
                     {{"_process=" + kDecl + "<kiv:group kiv:id=\"" + id1 + "\" kiv:groupname=\"g1\"" + kNs +
                       "><kiv:userref>anna</kiv:userref><kiv:userref>zed</kiv:userref></kiv:group>"}},
                     GroupRead("nope"),
                     {{"_rollback=*"}, {"_disconnect=*"}}}));
  // Neither the user nor the rewrite of g1 stayed.
  EXPECT_THAT(Users(), ::testing::IsEmpty());
  EXPECT_EQ(GroupDocument("g1"), before);
}

TEST_F(CreateEndToEnd, CheckedGroupNamingAMissingAclStoresNothing) {
  Seed("<kiv:user kiv:userid=\"anna\"" + kNs + "><d>Anna</d></kiv:user>");
  Seed("<kiv:acl kiv:aclname=\"a1\"" + kNs + "><kiv:ace kiv:access=\"read\">all</kiv:ace></kiv:acl>");
  Owned<GroupRecord> group;
  char staff[] = "staff", anna[] = "anna", a1[] = "a1", nope[] = "nope";
  group->nameOrId = staff;
  group->userCount = 1;
  group->users[0] = anna;
  group->aclCount = 2;
  group->acls[0] = a1;
  group->acls[1] = nope;

  Mark();
  EXPECT_EQ(Take(createGroup_BAT(0, db(), group.get(), 0, 0)), Message("KIVAAE0389"));
  ExpectSent(Sent(), {},
             {{"_XQL=/kiv:group [@kiv:groupname=\"staff\"]"},
              {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
              {"_XQL=/kiv:acl [@kiv:aclname=\"a1\"]"},
              {"_XQL=/kiv:acl [@kiv:aclname=\"nope\"]"},
              {"_rollback=*"},
              {"_disconnect=*"}});
  EXPECT_THAT(Groups(), ::testing::IsEmpty());

  // With the ACL there, the same group is stored and committed.
  group->aclCount = 1;
  Mark();
  EXPECT_EQ(Take(createGroup_BAT(0, db(), group.get(), 0, 0)), "0");
  ExpectSent(Sent(), {},
             {{"_XQL=/kiv:group [@kiv:groupname=\"staff\"]"},
              {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
              {"_XQL=/kiv:acl [@kiv:aclname=\"a1\"]"},
              {"_process=" + kDecl + "<kiv:group kiv:groupname=\"staff\"" + kNs +
               "><kiv:userref>anna</kiv:userref><kiv:aclref>a1</kiv:aclref></kiv:group>"},
              {"_commit=*"},
              {"_disconnect=*"}});
  EXPECT_THAT(Groups(), ElementsAre("staff"));
}

TEST_F(CreateEndToEnd, AclWithThreeEntriesOneOmittedReadsBackWithTwo) {
  Owned<AclRecord> acl;
  char write[] = "write", read[] = "read", none[] = "none", staff[] = "staff", all[] = "all",
       guests[] = "guests", one[] = "1", zero[] = "0";
  AceRecord aces[3] = {{write, staff, zero}, {none, guests, one}, {read, all, nullptr}};
  acl->aceCount = 3;
  for (int i = 0; i < 3; ++i) acl->aces[i] = &aces[i];

  Mark();
  EXPECT_EQ(Take(createACL(0, db(), "docs", nullptr, acl.get(), 0, 0)), "0");
  ExpectSent(
      Sent(), {"_XQL=/kiv:acl [@kiv:aclname=\"docs\"]"},
      {{"_process=" + kDecl + "<kiv:acl kiv:aclname=\"docs\"" + kNs +
        "><kiv:ace kiv:access=\"write\">staff</kiv:ace><kiv:ace kiv:access=\"read\">all</kiv:ace></kiv:acl>"},
       {"_commit=*"},
       {"_disconnect=*"}});

  AclRecord *back = getDataForACL_RO(0, db(), "docs", 0, 0);
  EXPECT_STREQ(back->status, "0");
  ASSERT_EQ(back->aceCount, 2);
  EXPECT_STREQ(back->aces[0]->access, "write");
  EXPECT_STREQ(back->aces[0]->text, "staff");
  EXPECT_STREQ(back->aces[1]->access, "read");
  EXPECT_STREQ(back->aces[1]->text, "all");
  std::free(back->id);
  for (int i = 0; i < back->aceCount; ++i) {
    std::free(back->aces[i]->access);
    std::free(back->aces[i]->text);
    std::free(back->aces[i]);
  }
  for (int i = 0; i < back->groupCount; ++i) std::free(back->groups[i]);
  FreeSession(back->session);
  std::free(back);
}

TEST_F(CreateEndToEnd, UserContentAndNamesRoundTripUnchanged) {
  const std::string group = "g%+#\xC3\xA9";
  const std::string userid = "a%+#\xC3\xA9";
  const std::string content = "<d>x%+#\xC3\xA9 y</d><e>a &amp; b &lt; c</e>";
  Seed(Group(group, {}, {}));
  Owned<NameList> groups;
  std::string group_name = group;
  groups->count = 1;
  groups->names[0] = group_name.data();

  Mark();
  EXPECT_EQ(Take(createUser_BAT(0, db(), content.c_str(), userid.c_str(), groups.get(), 0, 0)), "0");
  const std::vector<std::string> sent = Sent();
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[0], "_XQL=/kiv:group [@kiv:groupname=\"" + group + "\"]");
  EXPECT_EQ(sent[1], "_XQL=/kiv:user [@kiv:userid=\"" + userid + "\"]");
  EXPECT_THAT(sent[3], HasSubstr("_process=<kiv:user kiv:userid=\"" + userid + "\"" + kNs + ">" + content +
                                 "</kiv:user>&_sessionid="));

  EXPECT_THAT(Users(), ElementsAre(userid));
  EXPECT_EQ(User(userid.c_str()),
            std::make_pair(std::string("x%+#\xC3\xA9 y"), std::vector<std::string>{group}));
  const std::string stored = Send("_XQL=/kiv:user [@kiv:userid=\"" + userid + "\"]");
  EXPECT_THAT(stored, HasSubstr("kiv:userid=\"" + userid + "\">" + content + "</kiv:user>"));
  EXPECT_THAT(GroupDocument(group), HasSubstr("<kiv:userref>" + userid + "</kiv:userref>"));
}

TEST_F(CreateEndToEnd, CheckedUserNamingAMissingGroupSendsNoStore) {
  Owned<NameList> groups;
  char nope[] = "nope";
  groups->count = 1;
  groups->names[0] = nope;
  Mark();
  EXPECT_EQ(Take(createUser_BAT(0, db(), "<d/>", "anna", groups.get(), 0, 0)), Message("KIVAAE0390"));
  EXPECT_THAT(Sent(), ElementsAre("_XQL=/kiv:group [@kiv:groupname=\"nope\"]"));
  EXPECT_THAT(Users(), ::testing::IsEmpty());
}

}  // namespace
}  // namespace custor::e2e
