// Fixture of the library's unit tests: a fresh test agent for every test, the reply contract checked
// at its end, and readable forms of what the operations answer.
#ifndef CUSTOR_TESTS_AGENT_FIXTURE_H_
#define CUSTOR_TESTS_AGENT_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "agent/script.h"
#include "core/call.h"
#include "core/session.h"
#include "create/check_result.h"
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
  // Runs `run` against the script's replies: it must answer `result` after sending the script's commands.
  template <typename Run>
  static void Expect(const Script &script, const std::string &result, Run run) {
    Reset();
    const std::vector<std::string> expected = Play(script);
    EXPECT_EQ(run(), result);
    EXPECT_THAT(agent().commands(), ElementsAreArray(expected)) << result;
    // Every request goes to the security collection of db1 over connection word 42.
    for (const Request &request : agent().requests()) {
      EXPECT_EQ(request.path + " " + std::to_string(request.connection), "/corvane/db1/kiv:security 42");
    }
  }
};

// A session as "id/key/status", "-" for none; texts joined by blanks.
inline std::string Describe(const std::optional<Session> &s) {
  return s ? s->sessionId + "/" + s->sessionKey + "/" + s->status : "-";
}
inline std::string Describe(const CheckResult &result) {
  return result.status + "|" + Describe(result.session);
}
inline std::string Joined(const std::vector<std::string> &texts) {
  std::string joined;
  for (const std::string &text : texts) joined += (joined.empty() ? "" : " ") + text;
  return joined;
}

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_AGENT_FIXTURE_H_
