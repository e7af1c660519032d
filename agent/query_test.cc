#include "agent/query.h"

#include <gtest/gtest.h>

namespace custor::agent {
namespace {

TEST(EncodeCommand, EncodesValueAndSessionSuffix) {
  using namespace std::string_literals;
  EXPECT_EQ(PercentEncode("AZaz09-._~&=+#%?/: \"'<>\r\n\t\xC3\xA9\0\xFF"s),
            "AZaz09-._~%26%3D%2B%23%25%3F%2F%3A%20%22%27%3C%3E%0D%0A%09%C3%A9%00%FF");
  const std::pair<const char *, const char *> cases[] = {
      {"_connect=*", "_connect=%2A"},
      {"_process=<a>%2B+#=&amp;</a>", "_process=%3Ca%3E%252B%2B%23%3D%26amp%3B%3C%2Fa%3E"},
      // Session-like text inside the value stays value; only a suffix that closes the command counts.
      {"_XQL=x&_sessionid=1&_sessionkey=2]&_sessionid=5&_sessionkey=6",
       "_XQL=x%26_sessionid%3D1%26_sessionkey%3D2%5D&_sessionid=5&_sessionkey=6"},
      {"_XQL=a&_sessionid=1&_sessionkey=2&x=y", "_XQL=a%26_sessionid%3D1%26_sessionkey%3D2%26x%3Dy"},
      {"_delete=a&_sessionkey=2", "_delete=a%26_sessionkey%3D2"},
      {"_commit=*&_sessionid=&_sessionkey=", "_commit=%2A&_sessionid=&_sessionkey="},
      {"_rollback=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=a+b",
       "_rollback=%2A&_sessionid=VRX%40DLL%20PARSE_ERR&_sessionkey=a%2Bb"},
      {"_XQL=", "_XQL="},
      {"a b&c", "a%20b%26c"},  // no equals sign: encoded whole
  };
  for (const auto &[in, out] : cases) EXPECT_EQ(EncodeCommand(in), out) << in;
}

TEST(EncodePath, EncodesTheDatabaseSegment) {
  const std::pair<const char *, const char *> cases[] = {
      {"/corvane/db1/kiv:security", "/corvane/db1/kiv:security"},
      {"/corvane//kiv:security", "/corvane//kiv:security"},
      {"/corvane/my db/x?#:/kiv:security", "/corvane/my%20db%2Fx%3F%23%3A/kiv:security"},
      {"/other/a b:c", "/other/a%20b:c"},
  };
  for (const auto &[in, out] : cases) EXPECT_EQ(EncodePath(in), out) << in;
}

}  // namespace
}  // namespace custor::agent
