// custor check [--repair] against a real corvaned: the dangling references that a test plants with
// createGroup (which checks nothing) are found exactly, repaired one group per modifyGroup call, and a
// group that changed since the check is left alone.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "cli/integrity.h"
#include "e2e/custor_run.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class CheckEndToEnd : public EndToEndTest {
 protected:
  // Users ann, bob; ACLs docs, web; a whole group; then, through createGroup, groups that name what
  // does not exist.
  void SetUp() override {
    EndToEndTest::SetUp();
    Seed({UserDoc("ann"), UserDoc("bob"), AclDoc("docs"), AclDoc("web"),
          GroupDoc("whole", {"ann"}, {"docs"})});
    Plant("g1", {"ann", "ghost"}, {"docs", "nacl"});
    Plant("g2", {"zed"}, {"web"});
    Mark();
  }
  void Plant(const char *name, const std::vector<const char *> &users,
             const std::vector<const char *> &acls) {
    GroupRecord group{Mut(name), nullptr, 0, 0, nullptr, {}, {}};
    for (const char *user : users) group.users[group.userCount++] = Mut(user);
    for (const char *acl : acls) group.acls[group.aclCount++] = Mut(acl);
    ASSERT_EQ(Take(createGroup(0, db(), &group, 0, 0)), "0");
  }
};

TEST_F(CheckEndToEnd, FindsExactlyThePlantedReferences) {
  const CustorRun json = Custor(db(), {"--json", "check"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(
      json.out,
      "{\"whole\":false,\"groups\":3,\"dangling\":[{\"group\":\"g1\",\"kind\":\"user\",\"name\":\"ghost\"},"
      "{\"group\":\"g1\",\"kind\":\"acl\",\"name\":\"nacl\"},{\"group\":\"g2\",\"kind\":\"user\",\"name\":"
      "\"zed\"}],\"unconfirmed\":[],\"unchecked\":[],\"notes\":[],\"repairs\":[]}\n");
  const CustorRun text = Custor(db(), {"check"});
  EXPECT_EQ(text.out,
            "GROUP  KIND  NAME   STATE\n"
            "g1     user  ghost  missing\n"
            "g1     ACL   nacl   missing\n"
            "g2     user  zed    missing\n"
            "3 groups checked: 3 references to a missing user or ACL (custor check --repair removes them)\n");
  // Reads only.
  for (const std::string &step : Steps()) EXPECT_THAT(step, ::testing::StartsWith("_XQL=")) << step;
}

TEST_F(CheckEndToEnd, RepairLeavesAWholeCollectionOneGroupPerCall) {
  const std::string whole = StoredGroup("whole");
  Mark();
  const CustorRun repair = Custor(db(), {"check", "--repair"});
  EXPECT_EQ(repair.status, 0) << repair.err;
  EXPECT_THAT(repair.out, HasSubstr("repaired group g1: removed user ghost, ACL nacl\n"
                                    "repaired group g2: removed user zed\n"
                                    "3 groups checked: 3 references to a missing user or ACL; 3 removed\n"));
  const std::vector<std::string> steps = Steps();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "_connect=*"), 2) << "one modifyGroup per group";
  EXPECT_THAT(StoredGroup("g1"), HasSubstr(Refs({"ann"}, {"docs"}) + "</kiv:group>"));
  EXPECT_THAT(StoredGroup("g2"), HasSubstr(Refs({}, {"web"}) + "</kiv:group>"));
  EXPECT_EQ(StoredGroup("whole"), whole) << "a whole group is not rewritten";
  const CustorRun again = Custor(db(), {"check"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "3 groups checked: no reference to a missing user or ACL\n");
}

// A group that changed between the check and its repair, and a missing user that was created
// meanwhile, are left alone.
TEST_F(CheckEndToEnd, RepairLeavesAloneWhatChangedSinceTheCheck) {
  std::ostringstream out, err;
  cli::Library library({CUSTOR_LIBRARY_FILE});
  cli::Context context;
  context.library = &library;
  context.database = db();
  context.out = &out;
  context.err = &err;
  const cli::Reader reader(context);
  const cli::Findings findings = cli::Check(context, reader);
  ASSERT_EQ(findings.read.size(), 2u);
  ASSERT_EQ(Take(deleteGroup(0, db(), "g2", 0, 0)), "0");
  Plant("g2", {"zed", "ann"}, {"web"});  // changed: another user
  Seed({UserDoc("ghost")});              // no longer missing
  const std::string changed = StoredGroup("g2");
  const cli::Outcome g1 = cli::Repair(context, reader, "g1", findings.read.at("g1"), findings.dangling);
  const cli::Outcome g2 = cli::Repair(context, reader, "g2", findings.read.at("g2"), findings.dangling);
  EXPECT_EQ(g2.left, "it changed since it was checked");
  EXPECT_EQ(g1.left, "") << "nacl is still missing";
  ASSERT_EQ(g1.removed.size(), 1u);
  EXPECT_EQ(g1.removed[0].name, "nacl");
  EXPECT_THAT(StoredGroup("g1"), HasSubstr(Refs({"ann", "ghost"}, {"docs"}) + "</kiv:group>"));
  EXPECT_EQ(StoredGroup("g2"), changed);
}

}  // namespace
}  // namespace custor::e2e

namespace custor::e2e {
namespace {

// 2005 users: the user list holds the first 2000 by name, u0000 to u1999, and may be cut after them.
class FullListEndToEnd : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    // In transactions of 100 stores: one sync to disk each, instead of one per user.
    for (int first = 0; first < 2005; first += 100) {
      cli::Owned<SessionRecord> session(createSession(0, db(), 0, 0));
      const std::string id = session->sessionId;
      std::string key = session->sessionKey;
      for (int i = first; i < std::min(first + 100, 2005); ++i) {
        char user[16];
        std::snprintf(user, sizeof user, "u%04d", i);
        const std::string reply =
            Send("_process=" +
                 UserDoc(user).append("&_sessionid=").append(id).append("&_sessionkey=").append(key));
        key = Find(reply, kSessionKey);
      }
      std::free(session->sessionKey);
      session->sessionKey = strdup(key.c_str());
      ASSERT_EQ(Take(endTransaction(session.get(), 0, db(), 0, 0, 0)), "Session closed");
    }
    Seed({UserDoc("zz-empty", "<a/>")});  // beyond the list, and its data is empty
  }
};

// A name missing from a full list is asked of the user's own reader when it sorts after the list's last
// name; a user that reads as empty cannot be told from none. apply reads such names one by one too, and
// export and apply --prune refuse a list that may be cut.
TEST_F(FullListEndToEnd, NamesPastAFullListAreAskedOfTheirOwnReader) {
  Seed({GroupDoc("g", {"u0001", "u1500x", "u2003", "zz-empty", "zzz"})});
  Mark();
  const CustorRun check = Custor(db(), {"--json", "check"});
  EXPECT_EQ(check.status, 1);
  EXPECT_THAT(check.out,
              HasSubstr("\"dangling\":[{\"group\":\"g\",\"kind\":\"user\",\"name\":\"u1500x\"}],"
                        "\"unconfirmed\":[{\"group\":\"g\",\"kind\":\"user\",\"name\":\"zz-empty\"},"
                        "{\"group\":\"g\",\"kind\":\"user\",\"name\":\"zzz\"}],\"unchecked\":[],"));
  std::vector<std::string> asked;
  for (const std::string &step : Steps()) {
    const std::string id = Find(step, "^_XQL=/kiv:user \\[@kiv:userid=\"([^\"]+)\"\\]$");
    if (!id.empty()) asked.push_back(id);
  }
  EXPECT_THAT(asked, ElementsAre("u2003", "zz-empty", "zzz")) << "only the names after the list's last";

  const std::string file = server().data_dir() + "/" + db() + ".json";
  std::ofstream(file)
      << R"({"users": [{"id": "u2004", "content": "changed"}, {"id": "zzz", "content": "new"}]})";
  const CustorRun plan = Custor(db(), {"apply", "--dry-run", file});
  EXPECT_EQ(plan.out,
            "2 steps (dry run: nothing is changed)\n"
            "  1. create user zzz: data \"new\"; or modified, if it exists with empty data (the library "
            "cannot tell)\n"
            "  2. modify user u2004: data \"x\" -> \"changed\"\n");
  EXPECT_EQ(Custor(db(), {"apply", file}).status, 0);
  EXPECT_THAT(Custor(db(), {"apply", file}).out, ::testing::StartsWith("nothing to change"));
  const CustorRun prune = Custor(db(), {"apply", "--prune", file});
  EXPECT_EQ(prune.status, 1);
  EXPECT_THAT(prune.err, HasSubstr("the user list came back full (2000 names) and may be cut"));
  const CustorRun exported = Custor(db(), {"export"});
  EXPECT_EQ(exported.status, 1);
  EXPECT_EQ(exported.out, "");
}

}  // namespace
}  // namespace custor::e2e
