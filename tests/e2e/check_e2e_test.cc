// custor check [--repair] against a real corvaned: the dangling references that a test plants with
// createGroup (which checks nothing) are found exactly, repaired one group per modifyGroup call, and a
// group that changed since the check is left alone.
#include <algorithm>

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
      "\"zed\"}],\"unconfirmed\":[],\"notes\":[],\"repairs\":[]}\n");
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
