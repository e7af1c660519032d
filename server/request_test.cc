#include "request.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(RequestTest, PercentDecoding) {
  std::string out;
  EXPECT_TRUE(PercentDecode("a%26b%3D%25%2B%23%22%3C%3E%0A%C3%BC+c", &out));
  EXPECT_EQ(out, "a&b=%+#\"<>\n\xC3\xBC+c");
  for (const char* bad : {"%", "%2", "%zz", "a%g1"}) EXPECT_FALSE(PercentDecode(bad, &out)) << bad;
}

TEST(RequestTest, DecodesCommands) {
  Request r = DecodeRequest(
      "/corvane/my%2Ddb/kiv:security?_XQL=%2Fkiv%3Auser%20%5B%40kiv%3Auserid%3D%22a%26b%22%5D"
      "&_sessionid=12&_sessionkey=00ff");
  EXPECT_TRUE(r.collection && r.valid && r.has_session);
  EXPECT_EQ(r.database, "my-db");
  EXPECT_EQ(r.verb, Verb::kXql);
  EXPECT_EQ(r.value, "/kiv:user [@kiv:userid=\"a&b\"]");
  EXPECT_EQ(r.session_id + " " + r.session_key, "12 00ff");
  EXPECT_EQ(r.command, "_XQL=/kiv:user [@kiv:userid=\"a&b\"]&_sessionid=12&_sessionkey=00ff");

  r = DecodeRequest("/corvane/db/kiv%3Asecurity?_connect=%2A");
  EXPECT_TRUE(r.collection && r.valid && !r.has_session);
  EXPECT_EQ(r.verb, Verb::kConnect);
  EXPECT_EQ(r.command, "_connect=*");
}

TEST(RequestTest, ValidityOfCommands) {
  auto valid = [](const std::string& query) {
    return DecodeRequest("/corvane/db/kiv:security?" + query).valid;
  };
  for (const char* query :
       {"_connect=*", "_XQL=/a", "_commit=*&_sessionid=1&_sessionkey=k",
        "_disconnect=*&_sessionid=1&_sessionkey=k", "_process=%3Ca%2F%3E", "_delete=a%5B%40b%3D%22c%22%5D"}) {
    EXPECT_TRUE(valid(query)) << query;
  }
  for (const char* query :
       {"", "_connect=*&_sessionid=1&_sessionkey=k", "_commit=*", "_rollback=*", "_disconnect=*",
        "_commit=*&_sessionid=1", "_XQL=/a&_sessionkey=k", "_XQL=", "_XQL", "_select=/a", "_XQL=/a&_XQL=/b",
        "_XQL=/a&x=1", "_XQL=%zz", "_sessionid=1&_sessionkey=k",
        "_XQL=/a&_sessionid=1&_sessionkey=k&_sessionid=2"}) {
    EXPECT_FALSE(valid(query)) << query;
  }
}

TEST(RequestTest, OnlySecurityCollectionsAreServed) {
  for (const char* target : {"/", "/corvane/db", "/corvane/db/", "/corvane/db/other?_XQL=/a",
                             "/other/db/kiv:security?_XQL=/a", "/corvane/db/kiv:security/x?_XQL=/a"}) {
    EXPECT_FALSE(DecodeRequest(target).collection) << target;
  }
  EXPECT_TRUE(DecodeRequest("/corvane//kiv:security?_XQL=/a").collection);
}

}  // namespace
}  // namespace corvane
