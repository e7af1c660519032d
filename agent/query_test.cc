#include "agent/query.h"

#include <gtest/gtest.h>

#include <string>

namespace custor::agent {
namespace {

struct Case {
  const char *name;
  std::string in;
  std::string out;
};

TEST(PercentEncode, KeepsOnlyUnreservedBytes) {
  const Case cases[] = {
      {"unreserved", "AZaz09-._~", "AZaz09-._~"},
      {"separators", "&=+#%?/:", "%26%3D%2B%23%25%3F%2F%3A"},
      {"blank and quotes", " \"'<>", "%20%22%27%3C%3E"},
      {"line breaks", "a\r\nb\t", "a%0D%0Ab%09"},
      {"utf-8", "\xC3\xA9\xE2\x82\xAC", "%C3%A9%E2%82%AC"},
      {"nul and top byte", std::string("\0\xFF", 2), "%00%FF"},
      {"empty", "", ""},
  };
  for (const Case &c : cases) EXPECT_EQ(PercentEncode(c.in), c.out) << c.name;
}

TEST(EncodeCommand, EncodesValueAndSessionSuffix) {
  const Case cases[] = {
      {"connect", "_connect=*", "_connect=%2A"},
      {"commit in session", "_commit=*&_sessionid=17&_sessionkey=0a1b2c3d4e5f6071",
       "_commit=%2A&_sessionid=17&_sessionkey=0a1b2c3d4e5f6071"},
      {"query", "_XQL=/kiv:user [@kiv:userid=\"a&b\"]",
       "_XQL=%2Fkiv%3Auser%20%5B%40kiv%3Auserid%3D%22a%26b%22%5D"},
      {"query in session", "_XQL=/kiv:acl sortby(@kiv:aclname)&_sessionid=3&_sessionkey=k",
       "_XQL=%2Fkiv%3Aacl%20sortby%28%40kiv%3Aaclname%29&_sessionid=3&_sessionkey=k"},
      {"value bytes that look like separators", "_process=<a>%2B+#=&amp;</a>",
       "_process=%3Ca%3E%252B%2B%23%3D%26amp%3B%3C%2Fa%3E"},
      {"session-like text inside the value stays value",
       "_XQL=x&_sessionid=1&_sessionkey=2]&_sessionid=5&_sessionkey=6",
       "_XQL=x%26_sessionid%3D1%26_sessionkey%3D2%5D&_sessionid=5&_sessionkey=6"},
      {"suffix not at the end is value", "_XQL=a&_sessionid=1&_sessionkey=2&x=y",
       "_XQL=a%26_sessionid%3D1%26_sessionkey%3D2%26x%3Dy"},
      {"key without id is value", "_delete=a&_sessionkey=2", "_delete=a%26_sessionkey%3D2"},
      {"empty id and key", "_commit=*&_sessionid=&_sessionkey=", "_commit=%2A&_sessionid=&_sessionkey="},
      {"odd bytes in id and key", "_rollback=*&_sessionid=VRX@DLL PARSE_ERR&_sessionkey=a+b",
       "_rollback=%2A&_sessionid=VRX%40DLL%20PARSE_ERR&_sessionkey=a%2Bb"},
      {"utf-8 value", "_delete=kiv:user[@kiv:userid=\"J\xC3\xB6rg\"]",
       "_delete=kiv%3Auser%5B%40kiv%3Auserid%3D%22J%C3%B6rg%22%5D"},
      {"empty value", "_XQL=", "_XQL="},
      {"no equals sign", "_commit", "_commit"},
      {"no equals sign, odd bytes", "a b&c", "a%20b%26c"},
  };
  for (const Case &c : cases) EXPECT_EQ(EncodeCommand(c.in), c.out) << c.name;
}

TEST(EncodePath, EncodesTheDatabaseSegment) {
  const Case cases[] = {
      {"plain", "/corvane/db1/kiv:security", "/corvane/db1/kiv:security"},
      {"empty database", "/corvane//kiv:security", "/corvane//kiv:security"},
      {"blank and slash", "/corvane/my db/x/kiv:security", "/corvane/my%20db%2Fx/kiv:security"},
      {"dots", "/corvane/../kiv:security", "/corvane/../kiv:security"},
      {"query and fragment bytes", "/corvane/a?b#c/kiv:security", "/corvane/a%3Fb%23c/kiv:security"},
      {"colon in database", "/corvane/a:b/kiv:security", "/corvane/a%3Ab/kiv:security"},
      {"other path", "/other/a b:c", "/other/a%20b:c"},
  };
  for (const Case &c : cases) EXPECT_EQ(EncodePath(c.in), c.out) << c.name;
}

}  // namespace
}  // namespace custor::agent
