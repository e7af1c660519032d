#include "agent/http_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "agent/test_http_server.h"

namespace custor::agent {
namespace {

using testing::TestHttpServer;
using Action = TestHttpServer::Action;
using ::testing::ElementsAre;
using ::testing::Optional;

std::string Url(const TestHttpServer &server, const std::string &target) {
  return "http://localhost:" + std::to_string(server.port()) + target;
}

const HttpClient::Limits kQuick{2000, 3000};

TEST(HttpClient, ReusesOneConnection) {
  TestHttpServer server({{Action::kAnswer, "<a/>"}, {Action::kAnswer, "<b/>"}, {Action::kAnswer, "<c/>"}});
  HttpClient client;
  EXPECT_THAT(client.Get(Url(server, "/x?1"), kQuick), Optional(std::string("<a/>")));
  EXPECT_THAT(client.Get(Url(server, "/x?2"), kQuick), Optional(std::string("<b/>")));
  EXPECT_THAT(client.Get(Url(server, "/x?3"), kQuick), Optional(std::string("<c/>")));
  EXPECT_EQ(server.connections_accepted(), 1);
  EXPECT_EQ(client.connections_opened(), 1);
  EXPECT_THAT(server.request_lines(),
              ElementsAre("GET /x?1 HTTP/1.1", "GET /x?2 HTTP/1.1", "GET /x?3 HTTP/1.1"));
}

TEST(HttpClient, AnyStatusWithABodyIsAnAnswer) {
  TestHttpServer server({{Action::kAnswer, "<missing/>", 404}, {Action::kAnswer, "<oops/>", 500}});
  HttpClient client;
  EXPECT_THAT(client.Get(Url(server, "/"), kQuick), Optional(std::string("<missing/>")));
  EXPECT_THAT(client.Get(Url(server, "/"), kQuick), Optional(std::string("<oops/>")));
}

TEST(HttpClient, EmptyBodyIsNoAnswer) {
  TestHttpServer server({{Action::kAnswer, ""}, {Action::kAnswer, "<after/>"}});
  HttpClient client;
  EXPECT_EQ(client.Get(Url(server, "/"), kQuick), std::nullopt);
  EXPECT_THAT(client.Get(Url(server, "/"), kQuick), Optional(std::string("<after/>")));
}

TEST(HttpClient, RefusedConnectionIsNoAnswer) {
  HttpClient client;
  EXPECT_EQ(client.Get("http://localhost:" + std::to_string(testing::UnusedPort()) + "/", kQuick),
            std::nullopt);
}

// The server closed the kept-alive connection while it was idle: the next request goes out once, on a
// new connection.
TEST(HttpClient, ReplacesAConnectionClosedWhileIdle) {
  TestHttpServer server({{Action::kAnswerAndClose, "<a/>"}, {Action::kAnswer, "<b/>"}});
  HttpClient client;
  EXPECT_THAT(client.Get(Url(server, "/1"), kQuick), Optional(std::string("<a/>")));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_THAT(client.Get(Url(server, "/2"), kQuick), Optional(std::string("<b/>")));
  EXPECT_EQ(server.connections_accepted(), 2);
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /1 HTTP/1.1", "GET /2 HTTP/1.1"));
}

// The server took the request on a reused connection and closed it without answering. libcurl on its
// own would send the request again on a fresh connection; it must not.
TEST(HttpClient, NeverSendsARequestTwice) {
  TestHttpServer server(
      {{Action::kAnswer, "<a/>"}, {Action::kCloseWithoutAnswer, ""}, {Action::kAnswer, "<c/>"}});
  HttpClient client;
  EXPECT_THAT(client.Get(Url(server, "/1"), kQuick), Optional(std::string("<a/>")));
  EXPECT_EQ(client.Get(Url(server, "/2"), kQuick), std::nullopt);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /1 HTTP/1.1", "GET /2 HTTP/1.1"));
  // The client stays usable.
  EXPECT_THAT(client.Get(Url(server, "/3"), kQuick), Optional(std::string("<c/>")));
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /1 HTTP/1.1", "GET /2 HTTP/1.1", "GET /3 HTTP/1.1"));
}

// libcurl takes URLs of up to 8 MB; a longer one is no answer, nothing is sent in its place, and
// the client stays usable.
TEST(HttpClient, RefusedUrlSendsNothing) {
  TestHttpServer server({{Action::kAnswer, "<a/>"}, {Action::kAnswer, "<b/>"}});
  HttpClient client;
  EXPECT_THAT(client.Get(Url(server, "/1"), kQuick), Optional(std::string("<a/>")));
  EXPECT_EQ(client.Get(Url(server, "/2?" + std::string(9'000'000, 'x')), kQuick), std::nullopt);
  EXPECT_THAT(client.Get(Url(server, "/3"), kQuick), Optional(std::string("<b/>")));
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /1 HTTP/1.1", "GET /3 HTTP/1.1"));
}

TEST(HttpClient, TimedOutRequestIsNoAnswerAndNotRepeated) {
  TestHttpServer server({{Action::kStall, ""}});
  HttpClient client;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.Get(Url(server, "/slow"), {2000, 300}), std::nullopt);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
  EXPECT_THAT(server.request_lines(), ElementsAre("GET /slow HTTP/1.1"));
}

}  // namespace
}  // namespace custor::agent
