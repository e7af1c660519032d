#include "cli/retry.h"

#include <gtest/gtest.h>

#include <vector>

namespace custor::cli {
namespace {

TEST(WithRetries, RunsAgainOnlyAfterAConflictAndAtMostRetriesTimes) {
  const std::string conflict = "KIVXTE0070 Transaction conflict";
  const struct {
    int retries, calls;
    std::vector<std::string> answers;  // what the call answers, in turn
    std::string last;
  } cases[] = {
      {3, 1, {"0"}, "0"},
      {3, 3, {conflict, conflict, "0"}, "0"},
      {3, 4, {conflict, conflict, conflict, conflict, "0"}, conflict},  // three repetitions, then given up
      {0, 1, {conflict, "0"}, conflict},
      {3, 1, {"KIVAAE0388 User not defined ", "0"}, "KIVAAE0388 User not defined "},  // other failures stand
      {3, 1, {"x KIVXTE0070", "0"}, "x KIVXTE0070"},  // the code must begin the answer
  };
  for (const auto &[retries, calls, answers, last] : cases) {
    int made = 0;
    std::vector<int> told;
    const std::string answer = WithRetries(
        retries, [&, &answers = answers] { return answers[made++]; },
        [&](int n, const std::string &seen) {
          EXPECT_EQ(seen, conflict);
          told.push_back(n);
        });
    EXPECT_EQ(made, calls) << retries << " " << last;
    EXPECT_EQ(answer, last);
    EXPECT_EQ(told.size(), static_cast<std::size_t>(calls - 1));
    for (std::size_t i = 0; i < told.size(); ++i) EXPECT_EQ(told[i], static_cast<int>(i) + 1);
  }
}

}  // namespace
}  // namespace custor::cli
