#include "cli/progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace custor::cli {
namespace {

TEST(ProgressLine, DoneRateAndTimeLeft) {
  EXPECT_EQ(ProgressLine("applying", 0, 500, 0.0), "applying 0/500");
  EXPECT_EQ(ProgressLine("applying", 100, 500, 2.0), "applying 100/500  50/s  8s left");
  EXPECT_EQ(ProgressLine("reading", 10, 11500, 1.0), "reading 10/11500  10/s  19m09s left");
  EXPECT_EQ(ProgressLine("reading", 1, 40000, 1.0), "reading 1/40000  1/s  11h06m left");
  EXPECT_EQ(ProgressLine("applying", 500, 500, 4.0), "applying 500/500  125/s");
}

TEST(Progress, NothingWithoutAStreamAndNothingInTheFirstHalfSecond) {
  std::ostringstream err;
  Progress quiet(nullptr, "x", 3), early(&err, "x", 3);
  quiet.Advance();
  early.Advance();
  early.Clear();
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace custor::cli
