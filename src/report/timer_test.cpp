#include "report/timer.h"

#include <memory>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "testing/state_fixture.h"

namespace gorvan {
namespace {

class TimerTest : public StateFixture {
 protected:
  // A clock that gives `times` one after another and counts its readings.
  std::function<TimeOfDay()> Clock(std::vector<TimeOfDay> times) {
    return [this, times]() {
      EXPECT_LT(readings_, times.size()) << "the clock was read too often";
      return times.at(readings_++);
    };
  }

  // The first call before the first run and the last one after `runs` runs.
  void TimeRuns(int32_t runs, const TimeOfDay& start, const TimeOfDay& end) {
    readings_ = 0;
    auto clock = Clock({start, end});
    s_->STOP_RUNS = runs;
    s_->RUN = 0;
    TIMER(*s_, clock);
    s_->RUN = runs;
    TIMER(*s_, clock);
  }

  size_t readings_ = 0;
};

TEST_F(TimerTest, TheFirstCallNotesTheStartFromTheClockAndShowsNothing) {
  s_->STOP_RUNS = 5;
  s_->RUN = 0;
  TIMER(*s_, Clock({{10, 20, 30, 50}}));
  EXPECT_EQ(readings_, 1u);
  EXPECT_EQ(s_->TIME1, 37230.5L);
  EXPECT_EQ(s_->HOUR, 10);
  EXPECT_EQ(s_->MIN, 20);
  EXPECT_EQ(s_->SEC, 30);
  EXPECT_EQ(s_->HUND, 50);
  EXPECT_EQ(console_out_.str(), "");
}

TEST_F(TimerTest, ACallBetweenTheFirstAndTheLastRunDoesNothing) {
  s_->STOP_RUNS = 5;
  s_->RUN = 3;
  TIMER(*s_, Clock({}));
  EXPECT_EQ(readings_, 0u);
  EXPECT_EQ(console_out_.str(), "");
}

TEST_F(TimerTest, TheLastCallShowsTheElapsedTime) {
  TimeRuns(10, {9, 0, 0, 0}, {10, 2, 5, 40});  // 3725.4 seconds
  EXPECT_EQ(readings_, 2u);
  EXPECT_EQ(s_->HOUR, 1);
  EXPECT_EQ(s_->MIN, 2);
  EXPECT_EQ(s_->SEC, 5);
  EXPECT_EQ(console_out_.str(), " Approximate CPU-time: 1 hours, 2 minutes, 5 seconds\n");
}

TEST_F(TimerTest, TheWordsAreFixedPluralsAndSixtySecondsCanShow) {
  TimeRuns(1, {12, 0, 0, 0}, {13, 0, 0, 0});
  TimeRuns(1, {12, 0, 0, 0}, {12, 0, 59, 60});
  EXPECT_EQ(console_out_.str(),
            " Approximate CPU-time: 1 hours, 0 minutes, 0 seconds\n"
            " Approximate CPU-time: 0 hours, 0 minutes, 60 seconds\n");
}

TEST_F(TimerTest, ARunPastMidnightShowsTheTrueElapsedTime) {
  TimeRuns(3, {23, 59, 59, 50}, {0, 0, 1, 0});
  EXPECT_EQ(s_->TIMEDIFF, 1.5L);
  EXPECT_EQ(console_out_.str(), " Approximate CPU-time: 0 hours, 0 minutes, 2 seconds\n");
}

TEST(LocalTimeOfDayTest, GivesATimeOfDay) {
  const TimeOfDay now = LocalTimeOfDay();
  EXPECT_LT(now.hour, 24);
  EXPECT_LT(now.minute, 60);
  EXPECT_LE(now.second, 60);  // 60 in a leap second
  EXPECT_LT(now.hundredths, 100);
}

}  // namespace
}  // namespace gorvan
