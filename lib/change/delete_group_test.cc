#include "change/delete_group.h"

#include "agent/fixture.h"

namespace custor {
namespace {

using testing::Failure;
using testing::Identity;

const std::string kDelete = "_delete=kiv:group[@kiv:groupname=\"G1\"]";

class DeleteGroupTest : public testing::AgentTest {};

TEST_F(DeleteGroupTest, AloneClassifiesTheReply) {
  const std::pair<testing::Reply, std::string> cases[] = {
      {testing::Ok("Document deleted"), "0"},
      {Failure("KIVXIE8300", "No matching document found"), "KIVXIE8300 No matching document found"},
      {testing::Reply{}, "VRX@DLL PARSE_ERR "},
  };
  for (const auto &[reply, answer] : cases) {
    Reset();
    agent().Queue(reply);
    EXPECT_EQ(deleteGroup(db1(), "G1"), answer);
    EXPECT_THAT(agent().commands(), testing::ElementsAre(kDelete));
  }
  // The internal delete hands back the whole reply, unclassified.
  agent().Queue(Failure("KIVXIE8300", "No matching document found"));
  EXPECT_EQ(DeleteGroupDocument(db1(), "G1", nullptr).status,
            Failure("KIVXIE8300", "No matching document found"));
}

TEST_F(DeleteGroupTest, InATransactionHandsBackTheSessionOfTheReplyWhateverItSays) {
  const std::pair<testing::Reply, std::string> cases[] = {
      {testing::Ok("Document deleted", Identity{"5", "k6"}), "|5/k6/0"},
      {Failure("KIVXIE8300", "No matching document found", Identity{"5", "k5"}), "|5/k5/0"},
      {Failure("KIVXSE0030", "Invalid session"), "|VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR"},
  };
  const Session given{"5", "k5", "0"};
  for (const auto &[reply, result] : cases) {
    Reset();
    agent().Queue(reply);
    const CheckResult deleted = DeleteGroupDocument(db1(), "G1", &given);
    EXPECT_EQ(deleted.status + "|" + testing::Describe(deleted.session), result);
    EXPECT_THAT(agent().commands(), testing::ElementsAre(kDelete + "&_sessionid=5&_sessionkey=k5"));
  }
}

}  // namespace
}  // namespace custor
