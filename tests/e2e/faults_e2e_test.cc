// Faults of the server under the library's changes: corvaned dying right after any reply of a change,
// a crash after a commit was answered, and sessions left holding the write lock until the idle time-out.
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "cli/results.h"
#include "custor/agent.h"
#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kNs = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";

std::string User(const std::string &id) {
  return "<kiv:user kiv:userid=\"" + id + "\"" + kNs + "><name>" + id + "</name></kiv:user>";
}
std::string Group(const std::string &name, const std::vector<std::string> &users,
                  const std::vector<std::string> &acls) {
  std::string refs;
  for (const std::string &user : users) refs += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) refs += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">" + refs + "</kiv:group>";
}
std::string Acl(const std::string &name, const std::string &entry) {
  return "<kiv:acl kiv:aclname=\"" + name + "\"" + kNs + "><kiv:ace kiv:access=\"read\">" + entry +
         "</kiv:ace></kiv:acl>";
}

std::string Take(char *text) {
  cli::Owned<char> owned(text);
  return text != nullptr ? text : "(null)";
}

// One command to database `db` through the agent's request service; "" when no reply came.
std::string SendTo(const std::string &db, const std::string &command) {
  uint32_t block[4] = {0, 0, 0, 0};
  std::string path = "/corvane/" + db + "/kiv:security";
  ServerRequest request = {
      -1, 0, block, "GET", path.data(), command.c_str(), 0, 0, "localhost", 0, 0, 0, 0, nullptr, 0, 0, 0};
  adm_executeRequest(&request);
  if (request.replyLength == 0) return "";
  std::string reply(request.reply, request.replyLength);
  adm_freeResponse(&request);
  return reply;
}

// Everything the collection holds, as committed: every document of each kind, read without a session.
std::string Collection(const std::string &db) {
  return SendTo(db, "_XQL=/kiv:user sortby(@kiv:userid)") +
         SendTo(db, "_XQL=/kiv:group sortby(@kiv:groupname)") +
         SendTo(db, "_XQL=/kiv:acl sortby(@kiv:aclname)");
}

// A change and the documents it starts from.
struct Scenario {
  const char *name;
  std::vector<std::string> seed;
  std::function<std::string(const char *db)> change;
  // What the collection must hold after the change, beyond "something changed".
  std::vector<std::string> after_holds;
  std::vector<std::string> after_lacks;
};

const Scenario kScenarios[] = {
    {"modifyUser of a user in two groups, renamed",
     {User("ann"), User("bob"), Acl("docs", "all"), Group("G1", {"ann", "bob"}, {"docs"}),
      Group("G2", {"ann"}, {}), Group("G3", {"bob"}, {})},
     [](const char *db) {
       NameList groups{};
       groups.count = 2;
       groups.names[0] = const_cast<char *>("G1");
       groups.names[1] = const_cast<char *>("G2");
       return Take(modifyUser(0, db, "ann", "<name>Ann B</name>", "anna", &groups, 0, 0));
     },
     {"kiv:userid=\"anna\"><name>Ann B</name></kiv:user>",
      "kiv:groupname=\"G1\"><kiv:userref>anna</kiv:userref><kiv:userref>bob</kiv:userref>"
      "<kiv:aclref>docs</kiv:aclref></kiv:group>",
      "kiv:groupname=\"G2\"><kiv:userref>anna</kiv:userref></kiv:group>"},
     {"kiv:userid=\"ann\"", ">ann<"}},
    {"deleteACL referred to by two groups",
     {User("ann"), Acl("docs", "all"), Acl("mail", "staff"), Group("G1", {"ann"}, {"docs", "mail"}),
      Group("G2", {}, {"docs"}), Group("G3", {}, {"mail"})},
     [](const char *db) { return Take(deleteACL(0, db, "docs", 0, 0)); },
     {"kiv:groupname=\"G1\"><kiv:userref>ann</kiv:userref><kiv:aclref>mail</kiv:aclref></kiv:group>",
      "kiv:groupname=\"G2\"/>", "kiv:aclname=\"mail\""},
     {"docs"}},
};

class FaultsEndToEnd : public EndToEndTest {
 protected:
  // Starts the server again with these options, on the same data, and points the agent at it.
  static void Restart(const std::vector<std::string> &args) {
    server().Start(args);
    setenv("CUSTOR_PORT", std::to_string(server().port()).c_str(), 1);
  }
  // A database of this test's own beside db(), named by `suffix`.
  std::string Named(const std::string &suffix) const {
    return std::string(db()).substr(0, 40) + "_" + suffix;
  }
  void Seeded(const std::string &db, const std::vector<std::string> &documents) const {
    for (const std::string &document : documents) {
      ASSERT_THAT(SendTo(db, "_process=" + document), HasSubstr("Document stored")) << db;
    }
  }
};

// Every database starts from the same documents, so the kiv:ids of a crashed run and of the run
// without a crash are the same and whole collections compare.
TEST_F(FaultsEndToEnd, ServerDyingAfterAnyReplyOfAChangeLeavesItWholeOrNotAtAll) {
  for (const Scenario &scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    Restart({});
    const std::string tag = std::to_string(&scenario - kScenarios) + "_";
    const std::string reference = Named(tag + "ref");
    Seeded(reference, scenario.seed);
    const std::string before = Collection(reference);
    std::size_t mark = server().LogSize();
    ASSERT_EQ(scenario.change(reference.c_str()), "0");
    const std::vector<std::string> sent = server().CommandsSince(mark, reference);
    const std::string after = Collection(reference);
    for (const std::string &text : scenario.after_holds) EXPECT_THAT(after, HasSubstr(text));
    for (const std::string &text : scenario.after_lacks) EXPECT_THAT(after, Not(HasSubstr(text)));
    std::size_t commit = 0;
    while (commit < sent.size() && sent[commit].rfind("_commit=*", 0) != 0) ++commit;
    ASSERT_LT(commit, sent.size()) << "the change commits";
    ASSERT_GT(sent.size(), 8u);

    for (std::size_t n = 1; n <= sent.size(); ++n) {
      const std::string db = Named(tag + std::to_string(n));
      Seeded(db, scenario.seed);
      ASSERT_EQ(Collection(db), before);
      Restart({"--exit-after-requests", std::to_string(n)});
      mark = server().LogSize();
      const std::string answer = scenario.change(db.c_str());
      ASSERT_EQ(server().CommandsSince(mark, db).size(), n) << "the server served exactly " << n;
      Restart({});
      // Up to the reply to the commit nothing is visible; from it on, all of it. A change that died
      // before its commit reports a failure; the commit's own reply is not read, so a change that died
      // right before the commit answers "0" and still leaves nothing behind.
      if (n <= commit) {
        EXPECT_EQ(Collection(db), before) << "died after request " << n << ": " << sent[n - 1];
        if (n < commit) EXPECT_NE(answer, "0") << n;
      } else {
        EXPECT_EQ(Collection(db), after) << "died after request " << n << ": " << sent[n - 1];
      }
    }
  }
}

TEST_F(FaultsEndToEnd, AnsweredCommitSurvivesKillNine) {
  for (const Scenario &scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    Restart({});
    const std::string db = Named(std::to_string(&scenario - kScenarios));
    Seeded(db, scenario.seed);
    const std::string before = Collection(db);
    ASSERT_EQ(scenario.change(db.c_str()), "0");
    const std::string after = Collection(db);
    ASSERT_NE(after, before);
    server().KillAndRestart();
    setenv("CUSTOR_PORT", std::to_string(server().port()).c_str(), 1);
    EXPECT_EQ(Collection(db), after);
  }
}

// A session of its own, opened by hand: its id and the key of the last reply.
struct HandSession {
  std::string id;
  std::string key;
  std::string Tail() const { return "&_sessionid=" + id + "&_sessionkey=" + key; }
  // Takes the session identity of `reply`; false when it carries none.
  bool Follow(const std::string &reply) {
    std::smatch match;
    if (!std::regex_search(reply, match,
                           std::regex("kiv:sessionid=\"([0-9]+)\" kiv:sessionkey=\"([0-9a-f]+)\""))) {
      return false;
    }
    id = match[1];
    key = match[2];
    return true;
  }
};

// A session that wrote and then went quiet holds the write lock until the server's idle time-out ends
// it. A write of the library waits for the lock up to the lock time-out: when that is the shorter, the
// write is refused; when it is the longer, the write waits for the time-out to end the idle session and
// then goes through, and the idle session's change is gone.
TEST_F(FaultsEndToEnd, IdleSessionHoldsTheWriteLockUntilItsTimeOut) {
  struct Case {
    const char *session_timeout;
    const char *lock_timeout;
    const char *answer;
  };
  const Case cases[] = {
      {"60", "0.2", "KIVXLE0060 Database locked by another session"},
      {"0.5", "20", "0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.session_timeout);
    Restart({"--session-timeout", c.session_timeout, "--lock-timeout", c.lock_timeout});
    const std::string db = Named(c.lock_timeout[0] == '0' ? "short" : "long");
    Seeded(db, {User("ann")});
    HandSession idle;
    ASSERT_TRUE(idle.Follow(SendTo(db, "_connect=*")));
    const std::string stale = idle.Tail();
    ASSERT_TRUE(idle.Follow(SendTo(db, "_process=" + User("zed") + idle.Tail())));

    EXPECT_EQ(Take(createUser(0, db.c_str(), "<name>bob</name>", "bob", nullptr, 0, 0)), c.answer);

    const std::string users = SendTo(db, "_XQL=/kiv:user sortby(@kiv:userid)");
    EXPECT_THAT(users, Not(HasSubstr("zed"))) << "an uncommitted change is never seen";
    EXPECT_EQ(users.find("kiv:userid=\"bob\"") != std::string::npos, std::string(c.answer) == "0");
    const std::string later = SendTo(db, "_commit=*" + idle.Tail());
    if (std::string(c.answer) == "0") {
      EXPECT_THAT(later, HasSubstr("KIVXSE0030")) << "the idle session was ended";
    } else {
      EXPECT_THAT(later, HasSubstr("Transaction committed"));
    }
    EXPECT_THAT(SendTo(db, "_commit=*" + stale), HasSubstr("KIVXSE0030"));
  }
}

// The library's own paths that leave their session open without writing hold no lock: a write right
// after them goes through at once.
TEST_F(FaultsEndToEnd, SessionsLeftOpenByRefusalsHoldNoLock) {
  Restart({"--session-timeout", "60", "--lock-timeout", "0"});
  const std::string db = Named("open");
  Seeded(db, {Acl("docs", "all"), Group("G1", {}, {"docs"})});
  AceRecord first{const_cast<char *>("read"), const_cast<char *>("staff"), nullptr};
  AceRecord second{const_cast<char *>("write"), const_cast<char *>("staff"), nullptr};
  AclRecord acl{};
  acl.aceCount = 2;
  acl.aces[0] = &first;
  acl.aces[1] = &second;
  EXPECT_THAT(Take(modifyACL(0, db.c_str(), "docs", "docs", nullptr, &acl, 0, 0)), StartsWith("KIVAAE0377"));
  EXPECT_THAT(Take(addACE(0, db.c_str(), "docs", "all", "write", 0, 0)), StartsWith("KIVAAE0377"));
  EXPECT_EQ(Take(createUser(0, db.c_str(), "<name>bob</name>", "bob", nullptr, 0, 0)), "0");
  EXPECT_EQ(Take(addACE(0, db.c_str(), "docs", "staff", "write", 0, 0)), "0");
}

}  // namespace
}  // namespace custor::e2e
