// Faults of the server under the library's changes: corvaned dying right after any reply of a change,
// a crash after a commit was answered, and sessions left holding the write lock until the idle time-out.
// The audit trail holds a row exactly for what was committed.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A change, the documents it starts from, what the collection holds after it beyond "changed", and
// the audit rows it adds (kind, name and change of each, in order).
struct Scenario {
  const char *name;
  std::vector<std::string> seed;
  std::function<std::string(const char *db)> change;
  std::vector<std::string> after_holds, after_lacks;
  std::vector<std::string> audited;
};

const Scenario kScenarios[] = {
    {"modifyUser of a user in two groups, renamed",
     {UserDoc("ann"), UserDoc("bob"), AclDoc("docs"), GroupDoc("G1", {"ann", "bob"}, {"docs"}),
      GroupDoc("G2", {"ann"}), GroupDoc("G3", {"bob"})},
     [](const char *db) {
       NameList groups = Names({"G1", "G2"});
       return Take(modifyUser(0, db, "ann", "<name>Ann B</name>", "anna", &groups, 0, 0));
     },
     {"kiv:userid=\"anna\"><name>Ann B</name></kiv:user>",
      "kiv:groupname=\"G1\">" + Refs({"anna", "bob"}, {"docs"}) + "</kiv:group>",
      "kiv:groupname=\"G2\">" + Refs({"anna"}, {}) + "</kiv:group>"},
     {"kiv:userid=\"ann\"", ">ann<"},
     {"user ann delete", "group G1 modify", "group G2 modify", "user anna create"}},
    {"deleteACL referred to by two groups",
     {UserDoc("ann"), AclDoc("docs"), AclDoc("mail", {{"read", "staff"}}),
      GroupDoc("G1", {"ann"}, {"docs", "mail"}), GroupDoc("G2", {}, {"docs"}), GroupDoc("G3", {}, {"mail"})},
     [](const char *db) { return Take(deleteACL(0, db, "docs", 0, 0)); },
     {"kiv:groupname=\"G1\">" + Refs({"ann"}, {"mail"}) + "</kiv:group>", "kiv:groupname=\"G2\"/>",
      "kiv:aclname=\"mail\""},
     {"docs"},
     {"acl docs delete", "group G1 modify", "group G2 modify"}},
};

class FaultsEndToEnd : public EndToEndTest {
 protected:
  // The audit rows of this test's database after the first `seeded` (those of the seed, one create
  // each), as "kind name change" and then the documents before and after: what a commit changed,
  // without when, by whom and from where.
  std::vector<std::string> Audited(std::size_t seeded) const {
    const std::vector<std::string> lines = server().Audit(db());
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const nlohmann::json row = nlohmann::json::parse(lines[i]);
      const std::string change = row.at("change");
      if (i < seeded) {
        EXPECT_EQ(change, "create") << lines[i];
        continue;
      }
      rows.push_back(std::string(row.at("kind")) + " " + std::string(row.at("name")) + " " + change + " | " +
                     row.value("before", "-") + " | " + row.value("after", "-"));
    }
    EXPECT_GE(lines.size(), seeded) << "a row for every seeded document";
    return rows;
  }
};

// The leading "kind name change" of each audit row.
std::vector<std::string> Heads(const std::vector<std::string> &rows) {
  std::vector<std::string> heads;
  heads.reserve(rows.size());
  for (const std::string &row : rows) heads.push_back(row.substr(0, row.find(" | ")));
  return heads;
}

// Every database starts from the same documents, so the kiv:ids of a crashed run and of the run
// without a crash are the same and whole collections compare.
TEST_F(FaultsEndToEnd, ServerDyingAnywhereInAChangeLeavesItWholeOrNotAtAll) {
  for (const Scenario &scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    const std::string tag = "scenario" + std::to_string(&scenario - kScenarios) + "_";
    UseDatabase(tag + "ref");
    Seed(scenario.seed);
    const std::string before = Collection(db());
    Mark();
    ASSERT_EQ(scenario.change(db()), "0");
    const std::vector<std::string> sent = Steps();
    const std::string after = Collection(db());
    for (const std::string &text : scenario.after_holds) EXPECT_THAT(after, HasSubstr(text));
    for (const std::string &text : scenario.after_lacks) EXPECT_THAT(after, Not(HasSubstr(text)));
    const std::size_t commit = std::find(sent.begin(), sent.end(), "_commit=*") - sent.begin();
    ASSERT_LT(commit, sent.size()) << "the change commits";
    ASSERT_GT(sent.size(), 8u);
    const std::vector<std::string> audited = Audited(scenario.seed.size());
    EXPECT_EQ(Heads(audited), scenario.audited);
    Restart({}, SIGKILL);
    EXPECT_EQ(Collection(db()), after) << "an answered commit survives kill -9";
    EXPECT_EQ(Audited(scenario.seed.size()), audited) << "and so do its audit rows";

    for (std::size_t n = 1; n <= sent.size(); ++n) {
      UseDatabase(tag + std::to_string(n));
      Seed(scenario.seed);
      ASSERT_EQ(Collection(db()), before);
      Restart({"--exit-after-requests", std::to_string(n)});
      Mark();
      const std::string answer = scenario.change(db());
      ASSERT_EQ(Steps().size(), n) << "the server served exactly " << n;
      Restart({});
      // Up to the reply to the commit nothing is visible; from it on, all of it. A change that died
      // before its commit reports a failure; the commit's own reply is not read, so a change that died
      // right before the commit answers "0" and still leaves nothing behind.
      EXPECT_EQ(Collection(db()), n <= commit ? before : after) << "died after " << n << ": " << sent[n - 1];
      EXPECT_EQ(Audited(scenario.seed.size()), n <= commit ? std::vector<std::string>() : audited)
          << "died after " << n << ": " << sent[n - 1];
      EXPECT_TRUE(n >= commit || answer != "0") << "died after " << n << ", answered " << answer;
    }
  }
}

// A session that wrote and then went quiet holds the write lock until the server's idle time-out ends
// it. A write of the library waits for the lock up to the lock time-out: when that is the shorter, the
// write is refused; when it is the longer, the write waits for the time-out to end the idle session and
// then goes through, and the idle session's change is gone.
TEST_F(FaultsEndToEnd, IdleSessionHoldsTheWriteLockUntilItsTimeOut) {
  for (const bool through : {false, true}) {
    SCOPED_TRACE(through);
    Restart({"--session-timeout", through ? "0.5" : "60", "--lock-timeout", through ? "20" : "0.2"});
    UseDatabase(through ? "idle_long" : "idle_short");
    Seed({UserDoc("ann")});
    const std::string connected = Send("_connect=*"), id = Find(connected, kSessionId);
    const std::string key = Find(Send("_process=" + UserDoc("zed") + "&_sessionid=" + id +
                                      "&_sessionkey=" + Find(connected, kSessionKey)),
                                 kSessionKey);
    ASSERT_FALSE(id.empty() || key.empty());
    EXPECT_EQ(Take(createUser(0, db(), "<name>bob</name>", "bob", nullptr, 0, 0)),
              through ? "0" : "KIVXLE0060 Database locked by another session");

    const std::string users = Send("_XQL=/kiv:user sortby(@kiv:userid)");
    EXPECT_THAT(users, Not(HasSubstr("zed"))) << "an uncommitted change is never seen";
    EXPECT_EQ(users.find("kiv:userid=\"bob\"") != std::string::npos, through);
    EXPECT_THAT(Send(std::string("_commit=*&_sessionid=").append(id).append("&_sessionkey=").append(key)),
                HasSubstr(through ? "KIVXSE0030" : "Transaction committed"))
        << "the idle session was ended, or is still there";
  }
}

}  // namespace
}  // namespace custor::e2e
