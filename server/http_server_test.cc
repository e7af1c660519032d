// HTTP itself: statuses, keep-alive, long targets, and a stop with connections still open.
#include "http_server.h"

#include <gtest/gtest.h>

#include "test_support.h"

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
      {"GET", "/corvane/db/kiv:security", 200, invalid},
      {"GET", "/corvane/db/kiv:security?_XQL=%zz", 200, invalid},
      {"GET", "/corvane/db/kiv:security?_commit=*", 200, invalid},  // no session to commit
      {"GET", "/", 404, invalid},
      {"GET", "/corvane/db/other?_XQL=%2Fa", 404, invalid},
      {"GET", "/x/db/kiv:security?_XQL=%2Fa", 404, invalid},
      {"POST", "/corvane/db/kiv:security?_XQL=%2Fa", 405, invalid},
  };
  for (const auto& c : cases) {
    testing::Answer answer = client.Get(c.target, c.method);
    EXPECT_EQ(answer.status, c.status) << c.method << " " << c.target;
    EXPECT_EQ(answer.body, c.body) << c.method << " " << c.target;
    EXPECT_TRUE(answer.keep_alive) << c.method << " " << c.target;
  }
}

TEST(HttpServerTest, LongTargets) {
  TestServer server;
  TestClient client(server.port());
  // An ACL with 2000 long entries: several MiB of request target.
  const std::string tail = " " + std::string(1000, 'x') + "</kiv:ace>";
  std::string acl = "<kiv:acl kiv:aclname=\"big\">";
  for (int i = 0; i < 2000; ++i) acl += "<kiv:ace kiv:access=\"RW\">entry " + std::to_string(i) + tail;
  const std::string target = testing::TargetFor("db", "_process=" + acl + "</kiv:acl>");
  ASSERT_GT(target.size(), 2u << 20);
  EXPECT_EQ(client.Get(target).body, testing::Message("Document stored"));
  EXPECT_EQ(client.Send("_XQL=/kiv:acl [@kiv:aclname=\"big\"] /kiv:ace [. = \"entry 1999 " +
                        std::string(1000, 'x') + "\"]"),
            testing::Result("<kiv:ace kiv:access=\"RW\">entry 1999" + tail));
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
