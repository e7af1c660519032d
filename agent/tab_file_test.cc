#include "agent/tab_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/test_files.h"

namespace custor::agent {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(ParseTabText, KeepsEveryByteAfterTheFirstTab) {
  const TextTable table = ParseTabText(
      "# comment\tline\n"
      "KIVAAE0390\t Group does not exist\n"
      "\n"
      "no tab here\n"
      "\tno key\n"
      "crlf\t text \r\n"
      "tabs\ta\tb\n"
      "dup\tfirst\n"
      "dup\tsecond\n"
      "empty\t\n"
      "last\tno newline");
  EXPECT_THAT(table, ElementsAre(Pair("KIVAAE0390", " Group does not exist"), Pair("crlf", " text "),
                                 Pair("dup", "second"), Pair("empty", ""), Pair("last", "no newline"),
                                 Pair("tabs", "a\tb")));
}

TEST(ReadTabFile, ReadsAFileAndRefusesAMissingOne) {
  testing::TempFile file("yes\tja\nno\tnein\n");
  EXPECT_THAT(ReadTabFile(file.path()),
              ::testing::Optional(ElementsAre(Pair("no", "nein"), Pair("yes", "ja"))));
  EXPECT_EQ(ReadTabFile("/nonexistent/custor/table"), std::nullopt);
}

TEST(TabFileFromEnv, FollowsTheVariable) {
  testing::TempFile first("k\tone\n");
  testing::TempFile second("k\ttwo\n");
  {
    testing::ScopedEnv env("CUSTOR_TEST_TABLE", std::nullopt);
    EXPECT_EQ(TabFileFromEnv("CUSTOR_TEST_TABLE"), nullptr);
  }
  {
    testing::ScopedEnv env("CUSTOR_TEST_TABLE", first.path());
    ASSERT_NE(TabFileFromEnv("CUSTOR_TEST_TABLE"), nullptr);
    EXPECT_EQ(TabFileFromEnv("CUSTOR_TEST_TABLE")->at("k"), "one");
  }
  {
    testing::ScopedEnv env("CUSTOR_TEST_TABLE", second.path());
    ASSERT_NE(TabFileFromEnv("CUSTOR_TEST_TABLE"), nullptr);
    EXPECT_EQ(TabFileFromEnv("CUSTOR_TEST_TABLE")->at("k"), "two");
  }
  {
    testing::ScopedEnv env("CUSTOR_TEST_TABLE", "/nonexistent/custor/table");
    EXPECT_EQ(TabFileFromEnv("CUSTOR_TEST_TABLE"), nullptr);
  }
}

}  // namespace
}  // namespace custor::agent
