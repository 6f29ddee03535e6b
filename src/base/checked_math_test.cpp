#include "base/checked_math.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

int OverflowNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(CheckedMathTest, ResultsInRangeAreExact) {
  EXPECT_EQ(CheckedAdd(INT32_MAX - 1, 1), INT32_MAX);
  EXPECT_EQ(CheckedSub(INT32_MIN + 1, 1), INT32_MIN);
  EXPECT_EQ(CheckedMul(46340, 46340), 2147395600);
  EXPECT_EQ(CheckedMul(-65536, 32768), INT32_MIN);
}

TEST(CheckedMathTest, OverflowStopsWithError215) {
  EXPECT_EQ(OverflowNumber([] { CheckedAdd(INT32_MAX, 1); }), 215);
  EXPECT_EQ(OverflowNumber([] { CheckedSub(INT32_MIN, 1); }), 215);
  EXPECT_EQ(OverflowNumber([] { CheckedMul(46341, 46341); }), 215);
}

TEST(CheckedMathTest, SixteenBitStoresKeepTheLowBits) {
  // The program's 16-bit variables wrap silently when a wider result is stored.
  EXPECT_EQ(static_cast<int16_t>(CheckedAdd(32767, 1)), -32768);
  EXPECT_EQ(static_cast<int16_t>(65586), 50);
}

}  // namespace
}  // namespace gorvan
