#include "report/elapsed_time.h"

#include <gtest/gtest.h>

namespace gorvan {
namespace {

struct Split {
  Extended elapsed;
  int hours, minutes, seconds;
};

TEST(SplitElapsedTest, HoursAndMinutesAreCutAndSecondsRoundedHalfToEven) {
  const Split cases[] = {
      {3725.4L, 1, 2, 5}, {2.5L, 0, 0, 2},    {3.5L, 0, 0, 4},         {0.5L, 0, 0, 0},
      {59.6L, 0, 0, 60},  {3600.0L, 1, 0, 0}, {3599.5L, 0, 59, 60},    {60.5L, 0, 1, 0},
      {61.51L, 0, 1, 2},  {0.0L, 0, 0, 0},    {86399.99L, 23, 59, 60},
  };
  for (const Split& c : cases) {
    const ElapsedClock shown = SplitElapsed(c.elapsed);
    EXPECT_EQ(shown.hours, c.hours) << static_cast<double>(c.elapsed);
    EXPECT_EQ(shown.minutes, c.minutes) << static_cast<double>(c.elapsed);
    EXPECT_EQ(shown.seconds, c.seconds) << static_cast<double>(c.elapsed);
  }
}

}  // namespace
}  // namespace gorvan
