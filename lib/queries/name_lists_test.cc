#include "queries/name_lists.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class NameListsTest : public AgentTest {};

TEST_F(NameListsTest, OneQueryPerListAndItsFailures) {
  const std::string users = "_XQL=/kiv:user sortby(@kiv:userid)";
  const std::tuple<Names (*)(const Call &), Script, std::string> cases[] = {
      {getUsers,
       Talk(Plain(users, Result("<kiv:user kiv:userid=\"b\">x</kiv:user><kiv:user kiv:userid=\"a\"/>"))),
       "0|b a"},  // in reply order
      {getGroups,
       Talk(Plain("_XQL=/kiv:group sortby(@kiv:groupname)",
                  Result("<kiv:group kiv:groupname=\"b\"/><kiv:group kiv:groupname=\"a\"/>"))),
       "0|b a"},
      {getACLs, Talk(Plain("_XQL=/kiv:acl sortby(@kiv:aclname)", Result("<kiv:acl kiv:aclname=\"b\"/>"))),
       "0|b"},
      {getUsers, Talk(Plain(users, {})), "VRX@DLL CORVANE_REQUEST_FAILED|"},
      {getUsers,
       Talk(Plain(users, Failure("KIVXBE0020", "Database not found", {}, "<kiv:user kiv:userid=\"a\"/>"))),
       "KIVXBE0020 Database not found|"},
  };
  for (const auto &[list, script, result] : cases) {
    Expect(script, result, [&, list = list] {
      const Names names = list(db1());
      return names.status + "|" + Joined(names.names);
    });
  }
}

TEST_F(NameListsTest, ExportedListsShareTheirStatusText) {
  agent().Queue({Result("<kiv:acl kiv:aclname=\"n\"/>"), NoResult()});
  NameList *first = ::getACLs(0, "db1", 0, 0), *second = ::getACLs(0, "db1", 0, 0);
  EXPECT_EQ(Take(first->names[0]) + "|" + first->status + "|" + std::to_string(second->count), "n|0|0");
  EXPECT_EQ(first->status, second->status) << "status texts are shared, not the caller's";
  std::free(first);
  std::free(second);
}

}  // namespace
}  // namespace custor::testing
