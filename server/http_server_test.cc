// HTTP itself: keep-alive, long targets, paths that are no collection, methods other than GET.
#include "http_server.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace corvane {
namespace {

using testing::Pct;
using testing::TestClient;
using testing::TestServer;

TEST(HttpServerTest, KeepAliveAndHeaders) {
  TestServer server;
  TestClient client(server.port());
  for (int i = 0; i < 3; ++i) {
    testing::Answer answer = client.Get("/corvane/db/kiv:security?_XQL=%2Fkiv%3Auser");
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(answer.keep_alive);
    EXPECT_EQ(answer.body, testing::MessageReply("XQL request processed, no object returned"));
  }
}

TEST(HttpServerTest, PathsThatAreNoCollectionGet404) {
  TestServer server;
  TestClient client(server.port());
  const std::string failure = testing::FailureReply("KIVXCE0010", "10", "Invalid request");
  for (const char* target : {"/", "/corvane/db/other?_XQL=%2Fa", "/x/db/kiv:security?_XQL=%2Fa"}) {
    testing::Answer answer = client.Get(target);
    EXPECT_EQ(answer.status, 404) << target;
    EXPECT_EQ(answer.body, failure) << target;
  }
  testing::Answer post = client.Get("/corvane/db/kiv:security?_XQL=%2Fa", "POST");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(post.body, failure);
}

TEST(HttpServerTest, LongTargets) {
  TestServer server;
  TestClient client(server.port());
  // An ACL with 2000 long entries, percent-encoded: several MiB of request target.
  std::string acl = "<kiv:acl kiv:aclname=\"big\">";
  for (int i = 0; i < 2000; ++i) {
    acl +=
        "<kiv:ace kiv:access=\"RW\">entry " + std::to_string(i) + " " + std::string(1000, 'x') + "</kiv:ace>";
  }
  acl += "</kiv:acl>";
  std::string target = "/corvane/db/kiv:security?_process=" + Pct(acl);
  ASSERT_GT(target.size(), 2u << 20);
  EXPECT_EQ(client.Get(target).body, testing::MessageReply("Document stored"));
  std::string reply = client.Send("db", "_XQL=/kiv:acl [@kiv:aclname=\"big\"] /kiv:ace [. = \"entry 1999 " +
                                            std::string(1000, 'x') + "\"]");
  EXPECT_EQ(reply, testing::ResultReply("<kiv:ace kiv:access=\"RW\">entry 1999 " + std::string(1000, 'x') +
                                        "</kiv:ace>"));
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
