#include "cli/plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace custor::cli {
namespace {

using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

Wanted Want(std::map<std::string, std::string> users, std::map<std::string, std::vector<Entry>> acls,
            const std::map<std::string, std::pair<Lines, Lines>> &groups) {
  Wanted wanted{std::move(users), std::move(acls), {}};
  std::size_t index = 0;
  for (const auto &[name, refs] : groups) wanted.groups[name] = {index++, refs.first, refs.second};
  return wanted;
}

CurrentUser User(std::string data, Lines groups = {}) {
  return {std::move(data), std::move(groups), false, true};
}

Current Now(std::map<std::string, CurrentUser> users, std::map<std::string, CurrentGroup> groups,
            std::map<std::string, CurrentAcl> acls) {
  return {std::move(users), std::move(groups), std::move(acls), {}, {}, {}};
}

Lines Described(const std::vector<Step> &steps) {
  Lines lines;
  for (const Step &step : steps) lines.push_back(Describe(step));
  return lines;
}

// The wanted state of the table below: ACL docs, users ann and bob, group staff of both with docs.
const Wanted kWanted = Want({{"ann", "<n>Ann</n>"}, {"bob", "Bob"}}, {{"docs", {{"read", "/d"}}}},
                            {{"staff", {{"bob", "ann"}, {"docs"}}}});

// Current states and the steps that make them as wanted, in order.
TEST(MakePlan, StepsInDependencyOrderAndOnlyForWhatDiffers) {
  const CurrentGroup staff{{"ann", "bob"}, {"docs"}, false};
  const CurrentAcl docs{{{"read", "/d"}}, {"staff"}, false, false};
  const struct {
    const char *what;
    Current current;
    Lines steps;
  } cases[] = {
      {"empty database",
       Now({}, {}, {}),
       {"create ACL docs: 1 entry", "create user ann: data \"Ann\"", "create user bob: data \"Bob\"",
        "create group staff: users bob, ann; ACLs docs"}},
      {"as wanted",
       Now({{"ann", User("Ann", {"staff"})}, {"bob", User("Bob", {"staff"})}}, {{"staff", staff}},
           {{"docs", docs}}),
       {}},
      {"a member missing, a stray one, a user's data changed",
       Now({{"ann", User("Anne", {"staff", "other"})}, {"bob", User("Bob")}},
           {{"staff", {{"ann", "zed"}, {"docs"}, false}}}, {{"docs", docs}}),
       {"modify group staff: users +bob, -zed",
        "modify user ann: data \"Anne\" -> \"Ann\"; rewrites the 2 groups that refer to it"}},
      {"a group's references filled a record",
       Now({{"ann", User("Ann")}, {"bob", User("Bob")}}, {{"staff", {{"ann", "bob"}, {"docs"}, true}}},
           {{"docs", docs}}),
       {"modify group staff: its references filled a record, so there may be more: written as the file "
        "says"}},
      {"entries appended in place, none rewritten",
       Now({{"ann", User("Ann")}, {"bob", User("Bob")}}, {{"staff", staff}},
           {{"docs", {{}, {"staff"}, false, false}}}),
       {"add an entry to ACL docs: entry read=/d appended"}},
      {"entries replaced",
       Now({{"ann", User("Ann")}, {"bob", User("Bob")}}, {{"staff", staff}},
           {{"docs", {{{"write", "/d"}}, {"staff", "x"}, false, false}}}),
       {"modify ACL docs: entries read=/d (were 1); rewrites the 2 groups that refer to it"}},
      {"a user that may exist beyond a full list",
       Now({{"ann", User("Ann")}, {"bob", {"", {}, false, false}}}, {{"staff", staff}}, {{"docs", docs}}),
       {"create user bob: data \"Bob\"; or modified, if it exists with empty data (the library cannot "
        "tell)"}},
  };
  for (const auto &[what, current, steps] : cases)
    EXPECT_EQ(Described(MakePlan(kWanted, current, false)), steps) << what;
}

// The call's arguments: a modified user or ACL goes back into exactly the groups that are to refer to it.
TEST(MakePlan, AModifiedUserKeepsTheGroupsOutsideTheFile) {
  Current current{{{"ann", User("Anne", {"other", "staff", "gone"})}, {"bob", User("Bob")}},
                  {{"staff", {{"ann", "bob"}, {"docs"}, false}}},
                  {{"docs", {{{"read", "/d"}}, {"staff"}, false, false}}},
                  {},
                  {"gone"},
                  {}};
  const std::vector<Step> plain = MakePlan(kWanted, current, false);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_THAT(plain[0].groups, ElementsAre("gone", "other", "staff"));
  EXPECT_EQ(plain[0].content, "<n>Ann</n>");
  const std::vector<Step> pruned = MakePlan(kWanted, current, true);
  ASSERT_EQ(pruned.size(), 2u);
  EXPECT_EQ(Describe(pruned[0]), "delete group gone");
  EXPECT_THAT(pruned[1].groups, ElementsAre("other", "staff")) << "not the deleted group";
  current.users.at("ann").groups_full = true;
  EXPECT_THROW(MakePlan(kWanted, current, false), PlanError);
}

// Prune deletes what the file does not name, first; the library's cascades leave less to change.
TEST(MakePlan, PruneDeletesFirstAndCountsTheCascades) {
  const Current current{{{"ann", User("Ann")}, {"bob", User("Bob")}},
                        {{"staff", {{"ann", "bob", "carl"}, {"docs", "old"}, false}}},
                        {{"docs", {{{"read", "/d"}}, {"staff"}, false, false}}},
                        {"carl"},
                        {"extra"},
                        {"old"}};
  EXPECT_THAT(Described(MakePlan(kWanted, current, true)),
              ElementsAre("delete group extra", "delete user carl: removes carl from 1 group",
                          "delete ACL old: removes old from 1 group"));
  EXPECT_THAT(Described(MakePlan(kWanted, current, false)),
              ElementsAre("modify group staff: users -carl; ACLs -old"))
      << "nothing is deleted without --prune";
}

}  // namespace
}  // namespace custor::cli
