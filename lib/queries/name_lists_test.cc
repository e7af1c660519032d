#include "queries/name_lists.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class NameListsTest : public AgentTest {};

TEST_F(NameListsTest, OneQueryPerListAndItsFailures) {
  const std::string users = "_XQL=/kiv:user sortby(@kiv:userid)";
  const std::tuple<Kind, Script, std::string> cases[] = {
      {Kind::kUser,
       Talk(Plain(users, Result("<kiv:user kiv:userid=\"b\">x</kiv:user><kiv:user kiv:userid=\"a\"/>"))),
       "0|b a"},  // in reply order
      {Kind::kGroup,
       Talk(Plain("_XQL=/kiv:group sortby(@kiv:groupname)",
                  Result("<kiv:group kiv:groupname=\"b\"/><kiv:group kiv:groupname=\"a\"/>"))),
       "0|b a"},
      {Kind::kAcl, Talk(Plain("_XQL=/kiv:acl sortby(@kiv:aclname)", Result("<kiv:acl kiv:aclname=\"b\"/>"))),
       "0|b"},
      {Kind::kUser, Talk(Plain(users, {})), "VRX@DLL CORVANE_REQUEST_FAILED|"},
      {Kind::kUser,
       Talk(Plain(users, Failure("KIVXBE0020", "Database not found", {}, "<kiv:user kiv:userid=\"a\"/>"))),
       "KIVXBE0020 Database not found|"},
  };
  for (const auto &[kind, script, result] : cases) {
    Expect(script, result, [&, kind = kind] {
      const Names names = ListNames(db1(), kind);
      return names.status.Text() + "|" + Joined(names.names);
    });
  }
}

}  // namespace
}  // namespace custor::testing
