// Fixture of the library's unit tests: a fresh test agent for every test, and the reply contract
// checked at its end.
#ifndef CUSTOR_TESTS_AGENT_FIXTURE_H_
#define CUSTOR_TESTS_AGENT_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/replies.h"
#include "agent/test_agent.h"
#include "core/call.h"
#include "core/session.h"

namespace custor {

// Readable session identities in test failures.
inline void PrintTo(const Session &session, std::ostream *out) {
  *out << "{" << session.sessionId << ", " << session.sessionKey << ", " << session.status << "}";
}

}  // namespace custor

namespace custor::testing {

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override { agent().Reset(); }
  void TearDown() override {
    EXPECT_THAT(agent().violations(), ::testing::IsEmpty());
    EXPECT_FALSE(agent().reply_outstanding());
    EXPECT_EQ(agent().unused_replies(), 0u) << "scripted replies left unused";
  }
  static TestAgent &agent() { return TestAgent::Get(); }
  static Call db1() { return Call{7, "db1", 42, 9}; }
};

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_AGENT_FIXTURE_H_
