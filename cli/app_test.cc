// The global options that reach the agent's request service, through the real library and agent
// against a scripted HTTP server: the access key of --key-file, and the repetition of a change that the
// server answered with a transaction conflict (--retries).
#include "cli/app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "support/test_files.h"
#include "support/test_http_server.h"

namespace custor::cli {
namespace {

using agent::testing::ScopedEnv;
using agent::testing::TempFile;
using agent::testing::TestHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Reply(const std::string &body) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response xmlns:kiv=\"urn:k\">" + body +
         "</kiv:response>";
}
const std::string kDeleted = Reply(
    "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>Document deleted</kiv:messageline></kiv:message>");
const std::string kConflict = Reply(
    "<kiv:message kiv:returnvalue=\"70\"><kiv:messagetext kiv:code=\"KIVXTE0070\">Transaction "
    "conflict</kiv:messagetext></kiv:message>");

struct Outcome {
  int status;
  std::string out, err;
};
Outcome Custor(int port, std::vector<std::string> options) {
  std::vector<std::string> args = {"custor", "--library", CUSTOR_TEST_LIBRARY, "--db",
                                   "db1",    "--port",    std::to_string(port)};
  args.insert(args.end(), options.begin(), options.end());
  std::ostringstream out, err;
  const int status = RunCustor(args, out, err, false);
  return {status, out.str(), err.str()};
}

TEST(GlobalOptions, KeyFileSendsItsKeyWithEveryRequest) {
  TestHttpServer server(
      {{TestHttpServer::Action::kAnswer, kDeleted}, {TestHttpServer::Action::kAnswer, kDeleted}});
  ScopedEnv unset("CUSTOR_KEY_FILE", std::nullopt);
  TempFile key("5eed\n");
  EXPECT_EQ(Custor(server.port(), {"group", "delete", "g1"}).status, 0);
  EXPECT_EQ(Custor(server.port(), {"--key-file", key.path(), "group", "delete", "g1"}).status, 0);
  const std::vector<std::string> heads = server.request_heads();
  ASSERT_EQ(heads.size(), 2u);
  EXPECT_THAT(heads[0], Not(HasSubstr("Authorization")));
  EXPECT_THAT(heads[1], HasSubstr("\r\nAuthorization: Bearer 5eed\r\n"));
}

TEST(GlobalOptions, AConflictedChangeRunsAgainAsRetriesAllow) {
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> replies;
    int status, requests;
    std::string err;
  } cases[] = {
      {{},
       {kConflict, kConflict, kDeleted},
       0,
       3,
       "custor: delete group g1: KIVXTE0070 Transaction conflict; running it again (1 of 3)\n"
       "custor: delete group g1: KIVXTE0070 Transaction conflict; running it again (2 of 3)\n"},
      {{"--retries", "1"},
       {kConflict, kConflict, kDeleted},
       1,
       2,
       "custor: delete group g1: KIVXTE0070 Transaction conflict; running it again (1 of 1)\n"
       "KIVXTE0070 Transaction conflict\n"},
      {{"--retries", "0"}, {kConflict, kDeleted}, 1, 1, "KIVXTE0070 Transaction conflict\n"},
  };
  for (const auto &[options, replies, status, requests, err] : cases) {
    std::vector<TestHttpServer::Step> script;
    script.reserve(replies.size());
    for (const std::string &reply : replies) script.push_back({TestHttpServer::Action::kAnswer, reply});
    TestHttpServer server(script);
    std::vector<std::string> args = options;
    args.insert(args.end(), {"group", "delete", "g1"});
    const Outcome run = Custor(server.port(), args);
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(static_cast<int>(server.request_lines().size()), requests);
  }
}

}  // namespace
}  // namespace custor::cli
