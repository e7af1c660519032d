#include "change/delete_group.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kDelete = "_delete=kiv:group[@kiv:groupname=\"G1\"]";

class DeleteGroupTest : public AgentTest {};

// Alone, the reply is classified; in a transaction, the caller goes on with its identity whatever it says.
TEST_F(DeleteGroupTest, AloneOrInATransaction) {
  const Session given{"7", "k0", "0"};
  const std::tuple<bool, Script, std::string> cases[] = {
      {false, Talk(Plain(kDelete, Failure("KIVXIE8300", "No matching document found"))),
       "KIVXIE8300 No matching document found"},
      {true, Talk(Given("7", "k0"), Send(kDelete)), "7/k1/0"},
      {true, Talk(Given("7", "k0"), NotFound(kDelete)), "7/k0/0"},
      {true, Talk(Given("7", "k0"), SessionGone(kDelete)),
       "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR"},
  };
  for (const auto &[in_session, script, result] : cases) {
    Expect(script, result, [&, in_session = in_session] {
      return in_session ? Describe(ParseSessionReply(DeleteGroupDocument(db1(), "G1", &given)))
                        : DeleteGroup(db1(), "G1").Text();
    });
  }
  agent().Queue(Failure("KIVXIE8300", "x"));
  EXPECT_EQ(DeleteGroupDocument(db1(), "G1", nullptr), Failure("KIVXIE8300", "x")) << "the whole reply";
}

}  // namespace
}  // namespace custor::testing
