// Which request targets hold a valid command. Their decoding is checked through the service, with every
// byte a value can hold, and by the request fuzzer's round trip.
#include "request.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

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
        "_XQL=/a&x=1", "_XQL=%zz", "_XQL=%", "_XQL=%2", "_XQL=a%g1", "_sessionid=1&_sessionkey=k",
        "_XQL=/a&_sessionid=1&_sessionkey=k&_sessionid=2"}) {
    EXPECT_FALSE(valid(query)) << query;
  }
}

}  // namespace
}  // namespace corvane
