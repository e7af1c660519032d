// Memory running out anywhere in an exported call: the call answers "VRX@DLL OUT_OF_MEMORY" in the
// form of its result, lets no exception out, leaks nothing (the leak checker of the sanitized build)
// and gives every reply of the agent back.
#include <functional>

#include "custor/release.h"
#include "failing_new/failing_new.h"
#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

// One reply for every command: a new session identity and a query result that holds a user, a group
// and an ACL, so that every step of an operation finds what it looks for.
Reply Anything(const Request &) {
  return Result(
      "<kiv:user kiv:userid=\"u\">data</kiv:user>"
      "<kiv:group kiv:id=\"3\" kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>"
      "<kiv:acl kiv:id=\"4\" kiv:aclname=\"a\"><kiv:ace kiv:access=\"r\">all</kiv:ace></kiv:acl>",
      Identity{"7", "k1"});
}

// The status texts of the results, the results released as their owner does. Nothing more fails once
// the call has answered.
std::string Answer(char *text) {
  StopFailing();
  return Take(text);
}
std::string Answer(SessionRecord *session) {
  StopFailing();
  std::string status = session->status;
  custor_free_session(session);
  return status;
}
std::string Answer(TransactionOutcome *outcome) {
  StopFailing();
  std::string message = outcome->message;
  custor_free_outcome(outcome);
  return message;
}
template <typename Record, void (*Release)(Record *)>
std::string StatusOf(Record *record) {
  StopFailing();
  std::string status = record->status;
  Release(record);
  return status;
}
std::string Answer(NameList *list) { return StatusOf<NameList, custor_free_name_list>(list); }
std::string Answer(UserDataList *list) { return StatusOf<UserDataList, custor_free_user_data_list>(list); }
std::string Answer(UserRecord *user) { return StatusOf<UserRecord, custor_free_user>(user); }
std::string Answer(GroupRecord *group) { return StatusOf<GroupRecord, custor_free_group>(group); }
std::string Answer(AclRecord *acl) { return StatusOf<AclRecord, custor_free_acl>(acl); }

class OutOfMemoryTest : public AgentTest {};

TEST_F(OutOfMemoryTest, EveryFailedAllocationAnswersOutOfMemory) {
  char id[] = "7", key[] = "k0", zero[] = "0", group_name[] = "g", user[] = "u", acl_name[] = "a";
  char access[] = "r", all[] = "all";
  SessionRecord session{id, key, zero};
  NameList groups{};
  groups.count = 1;
  groups.names[0] = group_name;
  GroupRecord group{};
  group.nameOrId = group_name;
  group.userCount = 1;
  group.users[0] = user;
  group.aclCount = 1;
  group.acls[0] = acl_name;
  AceRecord entry{access, all, nullptr};
  AclRecord acl{};
  acl.aceCount = 1;
  acl.aces[0] = &entry;
  // One function of every result form, and the operations of the most steps.
  const std::pair<const char *, std::function<std::string()>> calls[] = {
      {"createSession", [] { return Answer(::createSession(7, "db1", 42, 9)); }},
      {"endTransactionNew", [&] { return Answer(::endTransactionNew(&session, 7, "db1", 42, 9, 0)); }},
      {"getUsers", [] { return Answer(::getUsers(7, "db1", 42, 9)); }},
      {"getUserData", [] { return Answer(::getUserData(7, "db1", 42, 9)); }},
      {"getDetailsForUser", [] { return Answer(::getDetailsForUser(7, "db1", "u", 42, 9)); }},
      {"getDataForGroup", [] { return Answer(::getDataForGroup(7, "db1", "g", 42, 9)); }},
      {"getDataForACL", [] { return Answer(::getDataForACL(7, "db1", "a", 42, 9)); }},
      {"createUser_BAT", [&] { return Answer(::createUser_BAT(7, "db1", "<n/>", "v", &groups, 42, 9)); }},
      {"createGroup_BAT", [&] { return Answer(::createGroup_BAT(7, "db1", &group, 42, 9)); }},
      {"modifyACL_BAT", [&] { return Answer(::modifyACL_BAT(7, "db1", "a", "b", &groups, &acl, 42, 9)); }},
      {"deleteUser", [] { return Answer(::deleteUser(7, "db1", "u", 42, 9)); }},
      {"addACE", [] { return Answer(::addACE(7, "db1", "a", "more", "w", 42, 9)); }},
  };
  for (const auto &[name, call] : calls) {
    // Once without failing first: on Windows the runtime's first use of the scanner's thread-local
    // parser slot allocates through the program's operator new, which is not the library's to answer for.
    Reset();
    agent().SetResponder(Anything);
    call();
    long failures = 0;
    for (long n = 1;; ++n) {
      Reset();
      agent().SetResponder(Anything);
      FailAllocation(n);
      const std::string answer = call();
      const bool failed = AllocationFailed();
      CheckContract();
      if (!failed) break;
      ++failures;
      ASSERT_EQ(answer, "VRX@DLL OUT_OF_MEMORY") << name << " with allocation " << n << " failing";
    }
    EXPECT_GT(failures, 0) << name;
  }
}

}  // namespace
}  // namespace custor::testing
