#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "agent/test_files.h"
#include "agent/test_http_server.h"
#include "custor/agent.h"

namespace custor::agent {
namespace {

using testing::TestHttpServer;
using Action = TestHttpServer::Action;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A request record as the library fills it.
struct Request {
  uint32_t block[4] = {0, 7, 0, 0};
  std::string path;
  std::string command;
  ServerRequest record{-1, 0, block, "GET", nullptr, nullptr, 0, 0, "localhost",
                       0,  0, 0,     0,     nullptr, 0,       0, 0};

  Request(std::string p, std::string c) : path(std::move(p)), command(std::move(c)) {
    record.path = path.data();
    record.command = command.c_str();
  }
};

TEST(RequestService, SendsTheCommandAsQueryString) {
  TestHttpServer server({{Action::kAnswer, "<r>1</r>"}, {Action::kAnswer, "<r>22</r>"}});
  testing::ScopedEnv port("CUSTOR_PORT", std::to_string(server.port()));
  const struct {
    std::string path, command, line;
  } cases[] = {
      {"/corvane/db 1/kiv:security",
       "_XQL=/kiv:user [@kiv:userid=\"a&b=c%d+e#f\"]&_sessionid=12&_sessionkey=00ff",
       "GET "
       "/corvane/db%201/kiv:security?_XQL=%2Fkiv%3Auser%20%5B%40kiv%3Auserid%3D%22a%26b%3Dc%25d%2Be%23f%22%5D"
       "&_sessionid=12&_sessionkey=00ff HTTP/1.1"},
      {"/corvane/db1/kiv:security", "_process=<kiv:user kiv:userid=\"J\xC3\xB6rg\">x\ny</kiv:user>",
       "GET "
       "/corvane/db1/"
       "kiv:security?_process=%3Ckiv%3Auser%20kiv%3Auserid%3D%22J%C3%B6rg%22%3Ex%0Ay%3C%2Fkiv%3Auser%3E"
       " HTTP/1.1"},
  };
  for (const auto &c : cases) {
    Request request(c.path, c.command);
    adm_executeRequest(&request.record);
    ASSERT_NE(request.record.reply, nullptr);
    EXPECT_EQ(request.record.replyLength, std::strlen(request.record.reply));
    adm_freeResponse(&request.record);
    EXPECT_EQ(request.record.reply, nullptr);
    EXPECT_EQ(request.record.replyLength, 0u);
  }
  ASSERT_EQ(server.request_lines().size(), 2u);
  EXPECT_EQ(server.request_lines()[0], cases[0].line);
  EXPECT_EQ(server.request_lines()[1], cases[1].line);
  EXPECT_THAT(server.request_heads()[0],
              HasSubstr("\r\nHost: localhost:" + std::to_string(server.port()) + "\r\n"));
  EXPECT_EQ(server.connections_accepted(), 1);
}

TEST(RequestService, HandsBackTheBodyWithItsLength) {
  const std::string body = "<?xml version=\"1.0\"?><kiv:response>\xC3\xA9</kiv:response>";
  TestHttpServer server({{Action::kAnswer, body}});
  testing::ScopedEnv port("CUSTOR_PORT", std::to_string(server.port()));
  Request request("/corvane/db1/kiv:security", "_connect=*");
  adm_executeRequest(&request.record);
  ASSERT_NE(request.record.reply, nullptr);
  EXPECT_EQ(std::string(request.record.reply), body);
  EXPECT_EQ(request.record.replyLength, body.size());
  adm_freeResponse(&request.record);
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /corvane/db1/kiv:security?_connect=%2A HTTP/1.1"));
}

TEST(RequestService, NoAnswerLeavesLengthZero) {
  TestHttpServer server({{Action::kCloseWithoutAnswer, ""}, {Action::kAnswer, ""}, {Action::kStall, ""}});
  testing::ScopedEnv port("CUSTOR_PORT", std::to_string(server.port()));
  testing::ScopedEnv timeout("CUSTOR_TIMEOUT_MS", "300");
  for (int i = 0; i < 3; ++i) {
    Request request("/corvane/db1/kiv:security", "_connect=*");
    request.record.replyLength = 99;
    adm_executeRequest(&request.record);
    EXPECT_EQ(request.record.replyLength, 0u) << "request " << i;
    EXPECT_EQ(request.record.reply, nullptr) << "request " << i;
  }
  EXPECT_EQ(server.request_lines().size(), 3u);
}

TEST(RequestService, RefusedConnectionLeavesLengthZero) {
  testing::ScopedEnv port("CUSTOR_PORT", std::to_string(testing::UnusedPort()));
  Request request("/corvane/db1/kiv:security", "_connect=*");
  adm_executeRequest(&request.record);
  EXPECT_EQ(request.record.replyLength, 0u);
}

}  // namespace
}  // namespace custor::agent
