#include "cli/output.h"

#include <gtest/gtest.h>

namespace custor::cli {
namespace {

TEST(Json, DumpsCompactlyWithEscapes) {
  const std::pair<Json, std::string> cases[] = {
      {Nullable(nullptr), "null"},
      {Json(int32_t{-1}), "-1"},
      {Json("a\"b\\c\nd\te\r\x01"), "\"a\\\"b\\\\c\\nd\\te\\r\\u0001\""},
      {Json("J\xC3\xB6rg <kiv:user>&amp;"), "\"J\xC3\xB6rg <kiv:user>&amp;\""},
      // A byte that is not UTF-8 cannot travel in JSON: it becomes U+FFFD instead of failing the output.
      {Json("Lat\xE9n"), "\"Lat\xEF\xBF\xBDn\""},
      {TextArray({"a", "b"}), "[\"a\",\"b\"]"},
      {TextArray({}), "[]"},
      {Json{{"status", "0"}, {"n", 2}, {"s", nullptr}}, "{\"status\":\"0\",\"n\":2,\"s\":null}"},
  };
  for (const auto &[value, expected] : cases) EXPECT_EQ(Dump(value), expected);
}

TEST(Text, VisibleTableAndFields) {
  EXPECT_EQ(Visible("a\nb\tc\rd\x01 e<x>\xC3\xA9"), "a\\nb\\tc\\rd\\x01 e<x>\xC3\xA9");
  // Columns aligned, no trailing blanks.
  EXPECT_EQ(Table({"ACCESS", "TEXT"}, {{"read", "alice"}, {"readwrite", "b"}, {"x", ""}}),
            "ACCESS     TEXT\nread       alice\nreadwrite  b\nx\n");
  EXPECT_EQ(Table({"USER"}, {}), "USER\n");
  EXPECT_EQ(Fields({{"Group", "admins"}, {"Id", "7"}, {"Users", ""}}), "Group:  admins\nId:     7\nUsers:\n");
}

}  // namespace
}  // namespace custor::cli
