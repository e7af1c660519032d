#include "cli/output.h"

#include <gtest/gtest.h>

namespace custor::cli {
namespace {

TEST(Json, DumpsCompactlyWithEscapes) {
  const struct {
    const char *name;
    Json value;
    std::string expected;
  } cases[] = {
      {"null", Json(), "null"},
      {"null text", Json(static_cast<const char *>(nullptr)), "null"},
      {"number", Json(int32_t{-1}), "-1"},
      {"plain text", Json("KIVXIE8300 No matching document found"),
       "\"KIVXIE8300 No matching document found\""},
      {"escapes", Json("a\"b\\c\nd\te\r\x01\x7F"), "\"a\\\"b\\\\c\\nd\\te\\r\\u0001\\u007f\""},
      {"utf-8 kept", Json("J\xC3\xB6rg"), "\"J\xC3\xB6rg\""},
      {"markup kept", Json("<kiv:user>&amp;</kiv:user>"), "\"<kiv:user>&amp;</kiv:user>\""},
      {"array", TextArray({"a", "b"}), "[\"a\",\"b\"]"},
      {"empty array", TextArray({}), "[]"},
      {"object in order", Json(Json::Object{{"status", "0"}, {"n", int32_t{2}}, {"s", nullptr}}),
       "{\"status\":\"0\",\"n\":2,\"s\":null}"},
  };
  for (const auto &c : cases) EXPECT_EQ(c.value.Dump(), c.expected) << c.name;
}

TEST(Visible, ShowsControlCharacters) {
  EXPECT_EQ(Visible("a\nb\tc\rd\x01 e"), "a\\nb\\tc\\rd\\x01 e");
  EXPECT_EQ(Visible("<x>\xC3\xA9</x>"), "<x>\xC3\xA9</x>");
}

TEST(Table, AlignsColumnsWithoutTrailingBlanks) {
  EXPECT_EQ(Table({"ACCESS", "TEXT"}, {{"read", "alice"}, {"readwrite", "b"}, {"x", ""}}),
            "ACCESS     TEXT\n"
            "read       alice\n"
            "readwrite  b\n"
            "x\n");
  EXPECT_EQ(Table({"USER"}, {}), "USER\n");
}

TEST(Fields, AlignsValues) {
  EXPECT_EQ(Fields({{"Group", "admins"}, {"Id", "7"}, {"Users", ""}}),
            "Group:  admins\n"
            "Id:     7\n"
            "Users:\n");
}

}  // namespace
}  // namespace custor::cli
