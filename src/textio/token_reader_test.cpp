#include "textio/token_reader.h"

#include <gtest/gtest.h>

namespace gorvan {
namespace {

int32_t IntOf(std::string_view token) {
  int32_t value = -777;
  EXPECT_TRUE(ParseIntToken(token, &value)) << token;
  return value;
}

bool IntRefused(std::string_view token) {
  int32_t value = 0;
  return !ParseIntToken(token, &value);
}

TEST(ParseIntTokenTest, DecimalWithOptionalSign) {
  EXPECT_EQ(IntOf("0"), 0);
  EXPECT_EQ(IntOf("+17"), 17);
  EXPECT_EQ(IntOf("-17"), -17);
  EXPECT_EQ(IntOf("2147483647"), 2147483647);
  EXPECT_EQ(IntOf("-2147483648"), INT32_MIN);
  EXPECT_TRUE(IntRefused("2147483648"));
  EXPECT_TRUE(IntRefused("-2147483649"));
  EXPECT_TRUE(IntRefused("99999999999999999999"));
}

TEST(ParseIntTokenTest, PrefixedFormsAreTwosComplement) {
  EXPECT_EQ(IntOf("$1F"), 31);
  EXPECT_EQ(IntOf("0x1f"), 31);
  EXPECT_EQ(IntOf("%101"), 5);
  EXPECT_EQ(IntOf("&17"), 15);
  EXPECT_EQ(IntOf("$FFFFFFFF"), -1);
  EXPECT_EQ(IntOf("-$10"), -16);
  EXPECT_TRUE(IntRefused("$100000000"));
  EXPECT_TRUE(IntRefused("$"));
  EXPECT_TRUE(IntRefused("%102"));
  EXPECT_TRUE(IntRefused("&8"));
}

TEST(ParseIntTokenTest, AnythingElseIsRefused) {
  EXPECT_TRUE(IntRefused("1.0"));
  EXPECT_TRUE(IntRefused("12a"));
  EXPECT_TRUE(IntRefused("-"));
  EXPECT_TRUE(IntRefused("1e3"));
  EXPECT_TRUE(IntRefused("--1"));
}

TEST(ParseRealTokenTest, TheGrammarOfReals) {
  Extended v = 0;
  ASSERT_TRUE(ParseRealToken("0.25", &v));
  EXPECT_EQ(v, 0.25L);
  ASSERT_TRUE(ParseRealToken("-3", &v));
  EXPECT_EQ(v, -3.0L);
  ASSERT_TRUE(ParseRealToken("2.5E-1", &v));
  EXPECT_EQ(v, 0.25L);
  ASSERT_TRUE(ParseRealToken("+1e+2", &v));
  EXPECT_EQ(v, 100.0L);
  ASSERT_TRUE(ParseRealToken("0.1", &v));
  EXPECT_EQ(v, 0.1L);  // converted in extended precision
  for (const char* bad :
       {".5", "5.", "1e", "e5", "1.2.3", "nan", "inf", "0x10", "1,5", "", "1e99999"}) {
    EXPECT_FALSE(ParseRealToken(bad, &v)) << bad;
  }
}

TEST(TokenReaderTest, TokensRunOverLinesAndEndOfFileReadsZero) {
  TokenReader reader(" 12\t\r\n  -3\r7\n");
  EXPECT_EQ(reader.ReadInt(), 12);
  EXPECT_EQ(reader.ReadInt(), -3);
  EXPECT_EQ(reader.last_token_line(), 2);
  EXPECT_EQ(reader.ReadInt(), 7);
  EXPECT_EQ(reader.last_token_line(), 3);
  EXPECT_EQ(reader.ReadInt(), 0);
  EXPECT_EQ(reader.ReadReal(), 0.0L);
}

TEST(TokenReaderTest, NumberAtTheVeryEndWithoutLineEnd) {
  TokenReader reader("1 0.5");
  EXPECT_EQ(reader.ReadInt(), 1);
  EXPECT_EQ(reader.ReadReal(), 0.5L);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TokenReaderTest, AValueBeyondTheEndIsMarkedMissing) {
  TokenReader reader("0\n");
  EXPECT_EQ(reader.ReadInt(), 0);
  EXPECT_FALSE(reader.last_token_missing());
  EXPECT_EQ(reader.ReadInt(), 0);
  EXPECT_TRUE(reader.last_token_missing());
  TokenReader at_very_end("0");
  EXPECT_EQ(at_very_end.ReadReal(), 0.0L);
  EXPECT_FALSE(at_very_end.last_token_missing());
}

TEST(TokenReaderTest, BadTokenNamesItsLine) {
  TokenReader reader("1\n\n 12x 4");
  EXPECT_EQ(reader.ReadInt(), 1);
  try {
    reader.ReadInt();
    FAIL() << "12x was accepted";
  } catch (const TokenError& e) {
    EXPECT_EQ(e.token, "12x");
    EXPECT_EQ(e.line, 3);
  }
}

TEST(TokenReaderTest, ReadLineStopsAtCapacityAndLeavesTheRest) {
  const std::string long_line(100, 'x');
  const std::string text = long_line + "\r\nsecond\rthird\nfourth";
  TokenReader reader(text);
  EXPECT_EQ(reader.ReadLine(80), std::string(80, 'x'));
  reader.SkipLine();
  EXPECT_EQ(reader.ReadLine(80), "second");
  reader.SkipLine();
  EXPECT_EQ(reader.ReadLine(80), "third");
  reader.SkipLine();
  EXPECT_EQ(reader.ReadLine(80), "fourth");
  reader.SkipLine();  // at the end: nothing happens
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(80), "");
}

TEST(TokenReaderTest, SkipLineCountsCrLfAsOneLineEnd) {
  TokenReader reader("a\r\n\r\nb 5");
  reader.SkipLine();
  reader.SkipLine();
  EXPECT_EQ(reader.line(), 3);
  EXPECT_EQ(reader.ReadLine(1), "b");
}

}  // namespace
}  // namespace gorvan
