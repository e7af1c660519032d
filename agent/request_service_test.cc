// The request service through its C interface, against a scripted server: the exact request line, the
// reply handed back, the kept-alive connection, and that no request is ever sent twice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "custor/agent.h"
#include "support/test_files.h"
#include "support/test_http_server.h"

namespace custor::agent {
namespace {

using testing::ScopedEnv;
using testing::TestHttpServer;
using Action = TestHttpServer::Action;
using ::testing::HasSubstr;
using ::testing::Not;

// Executes a request record as the library fills it; the reply handed back, or nothing when there is none.
std::optional<std::string> Execute(const std::string &command,
                                   std::string path = "/corvane/db1/kiv:security") {
  uint32_t block[4] = {0, 7, 0, 0};
  ServerRequest record{-1,      0,  block, "GET", path.data(), command.c_str(), 0, 0, "localhost", 0, 0, 0, 0,
                       nullptr, 99, 0,     0};
  adm_executeRequest(&record);
  if (record.reply == nullptr) {
    EXPECT_EQ(record.replyLength, 0u) << command.substr(0, 40);
    return std::nullopt;
  }
  std::string reply = record.reply;
  EXPECT_EQ(record.replyLength, reply.size()) << command;
  adm_freeResponse(&record);
  EXPECT_TRUE(record.reply == nullptr && record.replyLength == 0) << command;
  return reply;
}

// The command goes as the query string and any status with a body is an answer, handed back whole. A
// kept-alive connection that the server closed while idle is replaced before sending. One that it closes
// after taking the request is not: libcurl on its own would send the request again on a fresh connection.
// No answer (closed, empty, too slow, refused) leaves no reply; a URL longer than libcurl takes (8 MB) is
// sent nowhere.
TEST(RequestService, SendsEachRequestOnceAndHandsBackTheBody) {
  const std::string body = "<?xml version=\"1.0\"?><kiv:response>\xC3\xA9</kiv:response>";
  TestHttpServer server({{Action::kAnswer, body, 404},
                         {Action::kAnswerAndClose, "<a/>"},
                         {Action::kAnswer, "<b/>"},
                         {Action::kCloseWithoutAnswer, ""},
                         {Action::kAnswer, ""},
                         {Action::kAnswer, "<e/>"},
                         {Action::kStall, ""}});
  ScopedEnv timeout("CUSTOR_TIMEOUT_MS", "300");
  {
    ScopedEnv port("CUSTOR_PORT", std::to_string(server.port()));
    EXPECT_EQ(
        Execute("_XQL=/kiv:user [@kiv:userid=\"J\xC3\xB6rg&b=c%d+e#f\"]\n&_sessionid=12&_sessionkey=00ff",
                "/corvane/db 1/kiv:security"),
        body);
    EXPECT_EQ(Execute("_XQL=/a"), "<a/>");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Execute("_XQL=/b"), "<b/>");
    EXPECT_EQ(Execute("_XQL=/c"), std::nullopt);
    EXPECT_EQ(Execute("_XQL=/d"), std::nullopt);
    EXPECT_EQ(Execute("_XQL=" + std::string(3'000'000, '/')), std::nullopt);  // 9 MB encoded
    EXPECT_EQ(Execute("_XQL=/e"), "<e/>");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Execute("_XQL=/f"), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // the variable's time-out
  }
  std::vector<std::string> expected = {
      "GET "
      "/corvane/db%201/kiv:security?_XQL=%2Fkiv%3Auser%20%5B%40kiv%3Auserid%3D%22J%C3%B6rg%26b%3Dc%25d%2Be"
      "%23f%22%5D%0A&_sessionid=12&_sessionkey=00ff HTTP/1.1"};
  for (const char *value : {"a", "b", "c", "d", "e", "f"})
    expected.push_back(std::string("GET /corvane/db1/kiv:security?_XQL=%2F") + value + " HTTP/1.1");
  EXPECT_EQ(server.request_lines(), expected);
  EXPECT_THAT(server.request_heads().at(0),
              HasSubstr("\r\nHost: localhost:" + std::to_string(server.port()) + "\r\n"));
  // The first and a share a connection, b and c another, d, e and f a third; a refused resend may open
  // one more unused.
  EXPECT_LE(server.connections_accepted(), 4);
  ScopedEnv refused("CUSTOR_PORT", std::to_string(testing::UnusedPort()));
  EXPECT_EQ(Execute("_connect=*"), std::nullopt);
}

// The key of the file that CUSTOR_KEY_FILE names goes with every request, read again when the variable
// names another file; no file, an unreadable one or one that holds no key (blank, or bytes that would
// break the header) sends no key at all.
TEST(RequestService, SendsTheKeyOfTheKeyFile) {
  TestHttpServer server(std::vector<TestHttpServer::Step>(6, {Action::kAnswer, "<a/>"}));
  ScopedEnv port("CUSTOR_PORT", std::to_string(server.port()));
  testing::TempFile key("0123abcd\n"), other(" \n"), broken("ab\r\nX-Evil: 1\n"), spaced("a b");
  const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
      {key.path(), "\r\nAuthorization: Bearer 0123abcd\r\n"},
      {other.path(), ""},
      {broken.path(), ""},
      {spaced.path(), ""},
      {"/nonexistent/key", ""},
      {std::nullopt, ""}};
  for (const auto &[file, field] : cases) {
    ScopedEnv key_file("CUSTOR_KEY_FILE", file);
    ASSERT_EQ(Execute("_connect=*"), "<a/>");
    const std::string head = server.request_heads().back();
    if (field.empty()) {
      EXPECT_THAT(head, Not(HasSubstr("Authorization"))) << file.value_or("(unset)");
    } else {
      EXPECT_THAT(head, HasSubstr(field));
    }
  }
}

}  // namespace
}  // namespace custor::agent
