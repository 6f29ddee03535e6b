#include "textio/number_format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

TEST(FormatIntTest, RightAlignsAndNeverCuts) {
  EXPECT_EQ(FormatInt(1, 6), "     1");
  EXPECT_EQ(FormatInt(-42, 5), "  -42");
  EXPECT_EQ(FormatInt(0, 0), "0");
  EXPECT_EQ(FormatInt(12345, 3), "12345");
  EXPECT_EQ(FormatInt(-2147483648LL, 4), "-2147483648");
}

TEST(PadLeftTest, WidthZeroAddsNothing) {
  EXPECT_EQ(PadLeft("abc", 0), "abc");
  EXPECT_EQ(PadLeft("abc", 5), "  abc");
  EXPECT_EQ(PadLeft("abcdef", 5), "abcdef");
}

TEST(FormatRealTest, ExamplesOfTheTextForms) {
  EXPECT_EQ(FormatReal(0.05L, 8, 4), "  0.0500");
  EXPECT_EQ(FormatReal(12.34567L, 11, 4), "    12.3457");
  EXPECT_EQ(FormatReal(3.7L, 8, 0), "       4");
  EXPECT_EQ(FormatReal(0.0L, 0, 4), "0.0000");
  EXPECT_EQ(FormatReal(0.0L, 0, 0), "0");
}

TEST(FormatRealTest, HalvesRoundUpOnTheValueAsHeld) {
  EXPECT_EQ(FormatReal(2.5L, 0, 0), "3");
  EXPECT_EQ(FormatReal(0.1875L, 0, 3), "0.188");  // an exactly held half
  EXPECT_EQ(FormatReal(0.00005L, 0, 4), "0.0001");
  EXPECT_EQ(FormatReal(0.99995L, 0, 4), "1.0000");
  // The double nearest 0.00005 lies below it; held as a double it rounds down.
  EXPECT_EQ(FormatReal(static_cast<double>(0.125), 0, 2), "0.13");
}

TEST(FormatRealTest, SignIsTakenBeforeRounding) {
  EXPECT_EQ(FormatReal(-0.00004L, 0, 4), "-0.0000");
  EXPECT_EQ(FormatReal(-1.25L, 7, 1), "   -1.3");
  EXPECT_EQ(FormatReal(-0.0L, 0, 2), "0.00");  // negative zero is zero
}

TEST(FormatRealTest, LargeValuesAreWrittenWhole) {
  EXPECT_EQ(FormatReal(123456789.5L, 3, 0), "123456790");
  EXPECT_EQ(FormatReal(1e20L, 0, 1), "100000000000000000000.0");
}

TEST(FormatRealTest, DecimalsAreCapped) {
  EXPECT_EQ(FormatReal(0.5L, 0, 30).size(), std::string("0.").size() + 17);
  EXPECT_EQ(FormatReal(1.5L, 0, -3), "2");
}

TEST(FormatRealTest, NonFiniteValuesAreNamed) {
  EXPECT_EQ(FormatReal(std::numeric_limits<Extended>::quiet_NaN(), 5, 2), "  NaN");
  EXPECT_EQ(FormatReal(std::numeric_limits<Extended>::infinity(), 0, 2), "Inf");
  EXPECT_EQ(FormatReal(-std::numeric_limits<Extended>::infinity(), 0, 2), "-Inf");
}

}  // namespace
}  // namespace gorvan
