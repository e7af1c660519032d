// Fixture of the library's unit tests: a fresh test agent for every test, the reply contract checked
// at its end, and the records of the exported interface as an agent fills them in.
#ifndef CUSTOR_TESTS_AGENT_FIXTURE_H_
#define CUSTOR_TESTS_AGENT_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "agent/script.h"
#include "core/call.h"
#include "core/session.h"
#include "custor/custor.h"

namespace custor {

// Readable session identities in test failures.
inline void PrintTo(const Session &session, std::ostream *out) {
  *out << "{" << session.sessionId << ", " << session.sessionKey << ", " << session.status << "}";
}

}  // namespace custor

namespace custor::testing {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    EXPECT_THAT(agent().violations(), IsEmpty());
    EXPECT_FALSE(agent().reply_outstanding());
    EXPECT_EQ(agent().unused_replies(), 0u) << "scripted replies left unused";
  }
  // A fresh agent whose message table gives every message code of the library the text " text".
  static void Reset() {
    agent().Reset();
    for (const char *code :
         {"KIVAAE0370", "KIVAAE0372", "KIVAAE0373", "KIVAAE0377", "KIVAAE0386", "KIVAAE0387", "KIVAAE0388",
          "KIVAAE0389", "KIVAAE0390", "KIVAAE0400", "KIVAAF0369", "KIVXHE8201"})
      agent().SetMessage(code, " text");
  }
  static TestAgent &agent() { return TestAgent::Get(); }
  static Call db1() { return Call{7, "db1", 42, 9}; }
  static std::vector<std::string> Play(const Script &script) { return script.Play(agent()); }
};

// A session as "id/key/status", "-" for none; texts joined by blanks.
inline std::string Describe(const std::optional<Session> &s) {
  return s ? s->sessionId + "/" + s->sessionKey + "/" + s->status : "-";
}
inline std::string Joined(const std::vector<std::string> &texts) {
  std::string joined;
  for (const std::string &text : texts) joined += (joined.empty() ? "" : " ") + text;
  return joined;
}

// A NameList, GroupRecord or AclRecord as an agent hands it in; the texts stay the caller's.
struct InNames {
  NameList list{};
  explicit InNames(std::vector<const char *> names, std::optional<int32_t> count = std::nullopt) {
    list.count = count.value_or(static_cast<int32_t>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) list.names[i] = const_cast<char *>(names[i]);
  }
};
struct InGroup {
  GroupRecord record{};
  InGroup(const char *name, std::vector<const char *> users, std::vector<const char *> acls) {
    record.nameOrId = const_cast<char *>(name);
    record.userCount = static_cast<int32_t>(users.size());
    record.aclCount = static_cast<int32_t>(acls.size());
    for (std::size_t i = 0; i < users.size(); ++i) record.users[i] = const_cast<char *>(users[i]);
    for (std::size_t i = 0; i < acls.size(); ++i) record.acls[i] = const_cast<char *>(acls[i]);
  }
};
struct InAcl {
  AclRecord record{};
  std::vector<AceRecord> entries;
  // Each entry: access, text, omit (null allowed); `count` overrides the entry count.
  explicit InAcl(std::initializer_list<std::vector<const char *>> aces,
                 std::optional<int32_t> count = std::nullopt) {
    for (const auto &ace : aces) {
      entries.push_back(AceRecord{const_cast<char *>(ace[0]), const_cast<char *>(ace[1]),
                                  const_cast<char *>(ace.size() > 2 ? ace[2] : nullptr)});
    }
    record.aceCount = count.value_or(static_cast<int32_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) record.aces[i] = &entries[i];
  }
};

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_AGENT_FIXTURE_H_
