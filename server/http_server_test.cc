// HTTP itself: statuses, keep-alive, and a stop with connections still open. Requests of several MiB
// are sent end to end through the library.
#include "http_server.h"

#include <gtest/gtest.h>

#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::TestClient;
using testing::TestServer;

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

}  // namespace
}  // namespace corvane
