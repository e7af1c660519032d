// The exported functions of the sessions and the frame, and what the records of the readers share.
#include "core/version.h"
#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

class ExportedTest : public AgentTest {};

TEST_F(ExportedTest, BuildAndReadOnlyOfNoDatabase) {
  EXPECT_EQ(Take(::giveBuild()), std::string("CustorDLL Build: ") + kBuild);
  EXPECT_EQ(::db_isreadonly(nullptr), 0);
}

TEST_F(ExportedTest, EndTransactionDisconnectsWithTheIdentityOfTheEndReply) {
  const Step given = Given("5", "k1");
  const std::tuple<int, Script, std::string> cases[] = {
      {0, Talk(given, Commit()), "Session closed"},
      {1, Talk(given, Rollback()), "Session closed"},
      {0, Talk(given, SessionGone("_commit=*"), Unanswered("_disconnect=*")), ""},
  };
  char id[] = "5", key[] = "k1", status[] = "0";
  SessionRecord session{id, key, status};
  const auto outcome = [](TransactionOutcome *end) {
    std::string both = Take(end->code) + "|" + Take(end->message);
    std::free(end);
    return both;
  };
  for (const auto &[mode, script, message] : cases) {
    Expect(script, message,
           [&, mode = mode] { return Take(::endTransaction(&session, 7, "db1", 42, 9, mode)); });
    Expect(script, "kivcode not supported|" + message,
           [&, mode = mode] { return outcome(::endTransactionNew(&session, 7, "db1", 42, 9, mode)); });
  }
  // A null session or another mode sends nothing.
  Expect(Talk(), "Invalid Session", [&] { return Take(::endTransaction(&session, 7, "db1", 42, 9, 2)); });
  Expect(Talk(), "kivcode not supported|Invalid Session",
         [&] { return outcome(::endTransactionNew(&session, 7, "db1", 42, 9, -1)); });
  Expect(Talk(), "Invalid Session", [] { return Take(::endTransaction(nullptr, 7, "db1", 42, 9, 0)); });
  Expect(Talk(), "kivcode not supported|Invalid Session",
         [&] { return outcome(::endTransactionNew(nullptr, 7, "db1", 42, 9, 0)); });
  Expect(Talk(), "Invalid Session", [] { return Take(::endTransaction(nullptr, 1, "db1", 2, 3, 0)); });
}

TEST_F(ExportedTest, ExportedListsShareTheirStatusText) {
  agent().Queue({Result("<kiv:acl kiv:aclname=\"n\"/>"), NoResult()});
  NameList *first = ::getACLs(0, "db1", 0, 0), *second = ::getACLs(0, "db1", 0, 0);
  EXPECT_EQ(Take(first->names[0]) + "|" + first->status + "|" + std::to_string(second->count), "n|0|0");
  EXPECT_EQ(first->status, second->status) << "status texts are shared, not the caller's";
  std::free(first);
  std::free(second);
}

}  // namespace
}  // namespace custor::testing
