// Name lists and sessions against a real corvaned, through the agent's services.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>

#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

class CoreEndToEnd : public EndToEndTest {};

void FreeNameList(NameList *list) {
  for (int i = 0; i < list->count; ++i) std::free(list->names[i]);
  std::free(list);
}

TEST_F(CoreEndToEnd, NameListsAreSortedByName) {
  for (const char *user : {"carol", "alice", "bob"}) {
    Seed(std::string("<kiv:user kiv:userid=\"") + user +
         "\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\">x</kiv:user>");
  }
  for (const char *group : {"g2", "g1"}) {
    Seed(std::string("<kiv:group kiv:groupname=\"") + group +
         "\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\"/>");
  }
  Seed("<kiv:acl kiv:aclname=\"only\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\"/>");
  Mark();

  struct Case {
    NameList *(*list)(uint32_t, const char *, uint32_t, uint32_t);
    const char *command;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)", {"alice", "bob", "carol"}},
      {getGroups, "_XQL=/kiv:group sortby(@kiv:groupname)", {"g1", "g2"}},
      {getACLs, "_XQL=/kiv:acl sortby(@kiv:aclname)", {"only"}},
  };
  for (const Case &c : cases) {
    Mark();
    NameList *list = c.list(0, db(), 0, 0);
    EXPECT_STREQ(list->status, "0");
    EXPECT_EQ(std::vector<std::string>(list->names, list->names + list->count), c.names);
    EXPECT_THAT(Sent(), ElementsAre(c.command));
    FreeNameList(list);
  }
}

TEST_F(CoreEndToEnd, EmptyDatabaseListsNothing) {
  NameList *list = getUsers(0, db(), 0, 0);
  EXPECT_STREQ(list->status, "0");
  EXPECT_EQ(list->count, 0);
  FreeNameList(list);
}

TEST_F(CoreEndToEnd, SessionIsCommittedThenClosedWithTheRotatedKey) {
  for (int mode : {0, 1}) {
    Mark();
    SessionRecord *session = createSession(0, db(), 0, 0);
    ASSERT_STREQ(session->status, "0");
    EXPECT_THAT(session->sessionId, MatchesRegex("[0-9]+"));
    EXPECT_THAT(session->sessionKey, MatchesRegex("[0-9a-f]{16}"));
    char *closed = endTransaction(session, 0, db(), 0, 0, mode);
    EXPECT_STREQ(closed, "Session closed");
    const std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    const std::string identity = std::string("&_sessionid=") + session->sessionId + "&_sessionkey=";
    EXPECT_EQ(sent[0], "_connect=*");
    EXPECT_EQ(sent[1], (mode == 0 ? "_commit=*" : "_rollback=*") + identity + session->sessionKey);
    EXPECT_THAT(sent[2],
                MatchesRegex("_disconnect=\\*" + std::regex_replace(identity, std::regex("[*&]"), "\\$&") +
                             "[0-9a-f]{16}"));
    EXPECT_NE(sent[2], "_disconnect=*" + identity + session->sessionKey) << "the key rotated with the commit";
    std::free(closed);
    std::free(session->sessionId);
    std::free(session->sessionKey);
    std::free(session->status);
    std::free(session);
  }
}

TEST_F(CoreEndToEnd, EndTransactionNewOnAClosedSession) {
  SessionRecord *session = createSession(0, db(), 0, 0);
  char *closed = endTransaction(session, 0, db(), 0, 0, 1);
  TransactionOutcome *again = endTransactionNew(session, 0, db(), 0, 0, 1);
  EXPECT_STREQ(again->code, "kivcode not supported");
  EXPECT_STREQ(again->message, "Invalid session") << "the server no longer knows the session";
  std::free(again->code);
  std::free(again->message);
  std::free(again);
  std::free(closed);
  std::free(session->sessionId);
  std::free(session->sessionKey);
  std::free(session->status);
  std::free(session);
}

// A file in the server's directory that the agent services read by name from the environment.
class ScopedFile {
 public:
  ScopedFile(const std::string &dir, const std::string &variable, const std::string &name,
             const std::string &content)
      : variable_(variable), path_(dir + "/" + name) {
    std::ofstream(path_) << content;
    setenv(variable_.c_str(), path_.c_str(), 1);
  }
  ~ScopedFile() {
    unsetenv(variable_.c_str());
    std::remove(path_.c_str());
  }

 private:
  std::string variable_;
  std::string path_;
};

TEST_F(CoreEndToEnd, ReadOnlyFlagFromTheDataSources) {
  {
    ScopedFile sources(server().data_dir(), "CUSTOR_DATASOURCES", "sources.ini",
                       "[ro]\nreadonly = yes\n\n[rw]\nreadonly = no\n");
    EXPECT_EQ(db_isreadonly("ro"), 1);
    EXPECT_EQ(db_isreadonly("rw"), 0);
    EXPECT_EQ(db_isreadonly("unlisted"), 0);
    ScopedFile catalogue(server().data_dir(), "CUSTOR_CATALOGUE", "catalogue.txt", "yes\tja\nno\tnein\n");
    EXPECT_EQ(db_isreadonly("ro"), 0) << "only the text \"yes\" means read-only";
  }
  EXPECT_EQ(db_isreadonly("ro"), 0) << "no data sources at all";
  EXPECT_TRUE(Sent().empty()) << "the flag is the agent's, not the server's";
}

TEST_F(CoreEndToEnd, MessageTextsFromTheBuiltInTableAndFromAFile) {
  NameList groups{};
  groups.count = 1;
  groups.names[0] = const_cast<char *>("missing");
  struct Case {
    const char *name;
    const char *messages;  // content of CUSTOR_MESSAGES, or null for the built-in table
    const char *answer;
  };
  const Case cases[] = {
      {"built-in", nullptr, "KIVAAE0390 Group does not exist "},
      {"from a file", "KIVAAE0390\t Gruppe fehlt\n", "KIVAAE0390 Gruppe fehlt "},
      {"file without the code", "KIVAAE0388\t Benutzer fehlt\n", "KIVAAE0390"},
  };
  for (const Case &c : cases) {
    std::unique_ptr<ScopedFile> file;
    // A file is read once per name, so each case brings its own.
    if (c.messages != nullptr) {
      file = std::make_unique<ScopedFile>(server().data_dir(), "CUSTOR_MESSAGES",
                                          std::string(c.name) + ".txt", c.messages);
    }
    Mark();
    char *answer = createUser_BAT(0, db(), "<name>x</name>", "u", &groups, 0, 0);
    EXPECT_STREQ(answer, c.answer) << c.name;
    EXPECT_THAT(Sent(), ElementsAre("_XQL=/kiv:group [@kiv:groupname=\"missing\"]")) << c.name;
    std::free(answer);
  }
}

}  // namespace
}  // namespace custor::e2e
