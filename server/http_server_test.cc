// HTTP itself: statuses, keep-alive, HEAD, a stop with connections still open, the time-outs of slow and
// idle connections, the bound on open connections, and writers waiting for the lock that hold up nobody.
// Requests of several MiB are sent end to end through the library.
#include "http_server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::TestClient;
using testing::TestServer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(HttpServerTest, StatusesAndKeepAlive) {
  TestServer server;
  TestClient client(server.port());
  const std::string invalid = testing::Failure("KIVXCE0010", "Invalid request");
  const struct {
    const char *method, *target;
    int status;
    std::string body;
  } cases[] = {
      {"GET", "/corvane/db/kiv:security?_XQL=%2Fkiv%3Auser", 200, testing::Message(testing::kNoObject)},
      {"GET", "/corvane/d%62/kiv%3Asecurity?_XQL=%2Fkiv%3Auser", 200, testing::Message(testing::kNoObject)},
      {"GET", "/corvane/db/kiv:security?_commit=*", 200, invalid},  // the command's faults: see RequestTest
      {"GET", "/corvane//kiv:security?_XQL=%2Fa", 200, testing::Failure("KIVXBE0020", "Database not found")},
      {"GET", "/", 404, invalid},
      {"GET", "/corvane/db/other?_XQL=%2Fa", 404, invalid},
      {"GET", "/corvane/db/kiv:security/x?_XQL=%2Fa", 404, invalid},
      {"POST", "/corvane/db/kiv:security?_XQL=%2Fa", 405, invalid},
      // No body: a body would be read as the beginning of the next answer.
      {"HEAD", "/corvane/db/kiv:security?_XQL=%2Fa", 405, ""},
      {"GET", "/corvane/db/kiv:security?_XQL=%2Fkiv%3Auser", 200, testing::Message(testing::kNoObject)},
  };
  for (const auto& c : cases) {
    testing::Answer answer = client.Get(c.target, c.method);
    EXPECT_EQ(answer.status, c.status) << c.method << " " << c.target;
    EXPECT_EQ(answer.body, c.body) << c.method << " " << c.target;
    EXPECT_TRUE(answer.keep_alive) << c.method << " " << c.target;
  }
}

TEST(HttpServerTest, StopClosesOpenConnections) {
  auto server = std::make_unique<TestServer>();
  TestClient idle(server->port());
  EXPECT_EQ(idle.Get("/corvane/db/kiv:security?_XQL=%2Fa").status, 200);
  server.reset();  // returns although `idle` keeps its connection open
  EXPECT_EQ(idle.Get("/corvane/db/kiv:security?_XQL=%2Fa").status, 0);
}

// How long until the server closes `fd`, reading what comes, while `send` (one byte every 50 ms) goes
// out; 10 s when it does not.
Clock::duration TimeToClose(int fd, const std::string& send) {
  const Clock::time_point start = Clock::now();
  size_t sent = 0;
  while (Clock::now() - start < 10s) {
    if (sent < send.size() && ::write(fd, &send[sent], 1) == 1) ++sent;
    pollfd readable{fd, POLLIN, 0};
    char chunk[4096];
    if (::poll(&readable, 1, 50) == 1 && ::read(fd, chunk, sizeof chunk) <= 0) return Clock::now() - start;
  }
  return 10s;
}

TEST(HttpServerTest, SlowRequestsAndIdleConnectionsAreClosed) {
  const std::string request = "GET /corvane/db/kiv:security?_XQL=%2Fa HTTP/1.1\r\nHost: x\r\n\r\n";
  const struct {
    const char* what;
    std::chrono::milliseconds request_timeout, idle_timeout;
    std::string first, then;  // sent at once, then byte by byte
  } cases[] = {
      // The request time-out counts from the first byte, not from the last.
      {"a request that trickles in", 500ms, 60s, "G", request.substr(1)},
      {"a connection that sends nothing", 60s, 300ms, "", ""},
      {"a connection idle after its answer", 60s, 300ms, request, ""},
  };
  for (const auto& [what, request_timeout, idle_timeout, first, then] : cases) {
    HttpOptions http;
    http.request_timeout = request_timeout;
    http.idle_timeout = idle_timeout;
    TestServer server({}, http);
    int fd = testing::ConnectTo(server.port());
    EXPECT_EQ(::write(fd, first.data(), first.size()), ssize_t(first.size())) << what;
    Clock::duration took = TimeToClose(fd, then);
    EXPECT_GE(took, std::min(request_timeout, idle_timeout) - 50ms) << what;
    EXPECT_LT(took, std::min(request_timeout, idle_timeout) + 3s) << what;
    ::close(fd);
  }
}

TEST(HttpServerTest, ConnectionsBeyondTheBoundAreClosedAtOnce) {
  HttpOptions http;
  http.max_connections = 2;
  TestServer server({}, http);
  auto first = std::make_unique<TestClient>(server.port());
  TestClient second(server.port());
  const std::string target = "/corvane/db/kiv:security?_XQL=%2Fa";
  ASSERT_EQ(first->Get(target).status, 200);
  ASSERT_EQ(second.Get(target).status, 200);
  TestClient third(server.port());
  EXPECT_EQ(third.Get(target).status, 0);
  // Once one of them ends, there is room again.
  first.reset();
  const Clock::time_point deadline = Clock::now() + 5s;
  while (third.Get(target).status != 200 && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(third.Get(target).status, 200);
}

// The whole reply on a plain connection, "" when none comes within 20 s.
std::string ReplyOn(int fd) {
  std::string reply;
  char chunk[4096];
  pollfd readable{fd, POLLIN, 0};
  while (reply.find("</kiv:response>") == std::string::npos && ::poll(&readable, 1, 20'000) == 1) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    reply.append(chunk, static_cast<size_t>(n));
  }
  return reply;
}

// A crowd of writers waits for the lock that a session holds, for longer than the request time-out
// (which does not count while a command runs): a reader right behind them is answered soon (one thread
// set on at a time would take 20 ms a writer), and every writer once the lock is free.
TEST(HttpServerTest, WritersWaitingForTheLockHoldUpNoReader) {
  ServiceOptions options;
  options.lock_timeout = 20s;
  HttpOptions http;
  http.request_timeout = 100ms;
  TestServer server(options, http);
  TestClient holder(server.port());
  testing::ClientSession session = holder.Connect();
  holder.In(&session, "_process=<kiv:user kiv:userid=\"holder\"/>");  // takes the write lock
  const std::string key = testing::ReadFile(server.data_dir() + "/corvaned.key");
  constexpr int kWriters = 400;
  std::vector<int> writers;
  for (int i = 0; i < kWriters; ++i) {
    const std::string request =
        "GET " + testing::TargetFor("db", "_process=<kiv:user kiv:userid=\"w" + std::to_string(i) + "\"/>") +
        " HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + key.substr(0, key.find('\n')) + "\r\n\r\n";
    writers.push_back(testing::ConnectTo(server.port()));
    ASSERT_EQ(::write(writers.back(), request.data(), request.size()), ssize_t(request.size()));
  }
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(TestClient(server.port()).Send("_XQL=/kiv:group"), testing::Message(testing::kNoObject));
  EXPECT_LT(Clock::now() - start, 2s);
  const Clock::time_point deadline = Clock::now() + 10s;
  while (server.service().WaitingWriters("db") < kWriters && Clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(server.service().WaitingWriters("db"), kWriters);
  std::this_thread::sleep_for(300ms);
  holder.In(&session, "_rollback=*");
  for (int fd : writers) {
    EXPECT_NE(ReplyOn(fd).find(testing::Message("Document stored")), std::string::npos);
    ::close(fd);
  }
}

}  // namespace
}  // namespace corvane
