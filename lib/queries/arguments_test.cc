// The argument checks, and every exported function refusing what it cannot use before sending anything.
#include "queries/arguments.h"

#include <functional>

#include "agent/fixture.h"

namespace custor {
namespace {

using testing::InAcl;
using testing::InGroup;
using testing::InNames;

TEST(ArgumentCheck, AMissingArgumentIsReportedBeforeABadName) {
  const std::tuple<const char *, const char *, std::string> cases[] = {
      {"db1", "alice", ""},
      {"db1", "al\"ice", "VRX@DLL INVALID_NAME"},
      {"db1", "al\x1fice", "VRX@DLL INVALID_NAME"},
      {nullptr, "a<b", "VRX@DLL INVALID_ARGUMENT"},
  };
  for (const auto &[text, name, refusal] : cases) {
    EXPECT_EQ(ArgumentCheck().Name(name).Text(text).refusal(), refusal) << name;
    EXPECT_EQ(ArgumentCheck().Text(text).Name(name).refusal(), refusal) << name;
  }
  // Entries left out are never written, so they need not fit a document.
  const InAcl acl({{"read", "a", "0"}, {"r\"w", "<b>", "1"}});
  ArgumentCheck check;
  EXPECT_TRUE(check.Acl(&acl.record).has_value());
  EXPECT_TRUE(check.ok());
}

// The status of a refused record or the answer text, released.
std::string S(char *text) { return testing::Take(text); }
template <typename Record>
std::string S(Record *record) {
  std::string status = record->status;
  std::free(record);
  return status;
}
std::string S(SessionRecord *session) {
  testing::Take(session->sessionId);
  testing::Take(session->sessionKey);
  std::string status = testing::Take(session->status);
  std::free(session);
  return status;
}
std::string S(TransactionOutcome *outcome) {
  testing::Take(outcome->code);
  std::string message = testing::Take(outcome->message);
  std::free(outcome);
  return message;
}

class BadArgumentsTest : public testing::AgentTest {};

TEST_F(BadArgumentsTest, AreRefusedWithoutSending) {
  const std::string arg = "VRX@DLL INVALID_ARGUMENT", name = "VRX@DLL INVALID_NAME";
  SessionRecord session{const_cast<char *>("5"), const_cast<char *>("k"), const_cast<char *>("0")};
  const InNames groups({"G1"}), over({"G1"}, 2001), null_entry({nullptr}), quoted({"G\"1"});
  const InGroup group("G1", {"U1"}, {"A1"}), unnamed(nullptr, {}, {}), bad_user("G1", {"U&1"}, {});
  const InGroup quoted_group("G\"1", {}, {}), bad_acl("G1", {}, {"<A"});
  const InAcl acl({{"r", "all"}}), negative({}, -1), null_text({{"r", nullptr}}), amp_text({{"r", "a&b"}});
  const InAcl bad_access({{"r<", "all"}});
  const std::pair<std::function<std::string()>, std::string> cases[] = {
      {[] { return S(::createSession(0, nullptr, 0, 0)); }, arg},
      {[&] { return S(::endTransaction(&session, 0, nullptr, 0, 0, 0)); }, arg},
      {[&] { return S(::endTransactionNew(&session, 0, nullptr, 0, 0, 0)); }, arg},
      {[] { return S(::endTransactionNew(nullptr, 0, "db1", 0, 0, 0)); }, "Invalid Session"},
      {[] { return S(::getUsers(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getGroups(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getACLs(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getUserData(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getDetailsForUser(0, "db1", nullptr, 0, 0)); }, arg},
      {[] { return S(::getDetailsForUser_RO(0, "db1", "a\"b", 0, 0)); }, name},
      {[] { return S(::getDataForGroup(0, "db1", "a<b", 0, 0)); }, name},
      {[] { return S(::getDataForGroup_RO(0, nullptr, "g", 0, 0)); }, arg},
      {[] { return S(::getDataForACL(0, "db1", "a>b", 0, 0)); }, name},
      {[] { return S(::getDataForACL_RO(0, "db1", "\x1f", 0, 0)); }, name},
      {[&] { return S(::createUser(0, "db1", nullptr, "u", &groups.list, 0, 0)); }, arg},
      {[&] { return S(::createUser(0, "db1", "", "a&b", nullptr, 0, 0)); }, name},
      {[&] { return S(::createUser_BAT(0, "db1", "", "u", &over.list, 0, 0)); }, arg},
      {[&] { return S(::createUser_BAT(0, "db1", "", "u", &null_entry.list, 0, 0)); }, arg},
      {[&] { return S(::createACL(0, "db1", "a1", nullptr, nullptr, 0, 0)); }, arg},
      {[&] { return S(::createACL(0, "db1", "a1", nullptr, &negative.record, 0, 0)); }, arg},
      {[&] { return S(::createACL(0, "db1", "a1", nullptr, &null_text.record, 0, 0)); }, arg},
      {[&] { return S(::createACL_BAT(0, "db1", "a1", nullptr, &amp_text.record, 0, 0)); }, name},
      {[&] { return S(::createACL_BAT(0, "db1", "a1", &quoted.list, &acl.record, 0, 0)); }, name},
      {[&] { return S(::createGroup(0, "db1", nullptr, 0, 0)); }, arg},
      {[&] { return S(::createGroup(0, "db1", &quoted_group.record, 0, 0)); }, name},
      {[&] { return S(::createGroup_BAT(0, "db1", &unnamed.record, 0, 0)); }, arg},
      {[&] { return S(::createGroup_BAT(0, "db1", &bad_acl.record, 0, 0)); }, name},
      {[] { return S(::deleteUser(0, "db1", nullptr, 0, 0)); }, arg},
      {[] { return S(::deleteACL(0, "db1", "a\n", 0, 0)); }, name},
      {[] { return S(::deleteGroup(0, nullptr, "g", 0, 0)); }, arg},
      {[&] { return S(::modifyUser(0, "db1", "u", nullptr, "v", &groups.list, 0, 0)); }, arg},
      {[&] { return S(::modifyUser(0, nullptr, "u\"", "", "v", nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyUser(0, "db1", "u", "", "v", &quoted.list, 0, 0)); }, name},
      {[&] { return S(::modifyUser_BAT(0, "db1", "u", "", "v>", nullptr, 0, 0)); }, name},
      {[&] { return S(::modifyGroup(0, "db1", "G1", nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyGroup(0, "db1", "G1", &bad_user.record, 0, 0)); }, name},
      {[&] { return S(::modifyGroup_BAT(0, "db1", nullptr, &group.record, 0, 0)); }, arg},
      {[&] { return S(::modifyACL(0, "db1", "A1", "A2", nullptr, nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyACL(0, "db1", "A1", "A&2", &groups.list, &acl.record, 0, 0)); }, name},
      {[&] { return S(::modifyACL_BAT(0, "db1", "A1", "A2", nullptr, &bad_access.record, 0, 0)); }, name},
      {[&] { return S(::modifyACL_BAT(0, "db1", "A1", "A2", &over.list, &acl.record, 0, 0)); }, arg},
      {[] { return S(::addACE(0, "db1", "A1", nullptr, "r", 0, 0)); }, arg},
      {[] { return S(::addACE(0, "db1", "A1", "read", "r\"", 0, 0)); }, name},
  };
  int row = 0;
  for (const auto &[call, refusal] : cases) EXPECT_EQ(call(), refusal) << "row " << row++;
  EXPECT_THAT(agent().commands(), testing::IsEmpty());
}

}  // namespace
}  // namespace custor
