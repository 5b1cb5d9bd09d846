#include "platform/number_format.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vid {
namespace {

std::string Fixed(double v, int decimals, char sep = '.') {
  std::string s;
  AppendFixed(s, v, decimals, sep);
  return s;
}

std::string Ratio(int64_t n, int64_t d, int decimals) {
  std::string s;
  AppendRatio(s, n, d, decimals, '.');
  return s;
}

TEST(NumberFormat, RoundsHalfAwayFromZeroOnFifteenDigitDecimalForm) {
  EXPECT_EQ(Fixed(0.625, 2), "0.63");
  EXPECT_EQ(Fixed(0.15, 1), "0.2");  // the double lies just below 0.15
  EXPECT_EQ(Fixed(2.675, 2), "2.68");
  EXPECT_EQ(Fixed(1.005, 2), "1.01");
  EXPECT_EQ(Fixed(-0.15, 1), "-0.2");
  EXPECT_EQ(Fixed(2.5, 0), "3");
  EXPECT_EQ(Fixed(-2.5, 0), "-3");
  EXPECT_EQ(Fixed(0.5, 0), "1");
  EXPECT_EQ(Fixed(1234.5678, 3), "1234.568");
  EXPECT_EQ(Fixed(0.0005, 3), "0.001");
  EXPECT_EQ(Fixed(0.1 + 0.2, 1), "0.3");
}

TEST(NumberFormat, PatternsWriteOneIntegerDigitAndFixedDecimals) {
  EXPECT_EQ(Fixed(0, 0), "0");
  EXPECT_EQ(Fixed(0, 1), "0.0");
  EXPECT_EQ(Fixed(0, 2), "0.00");
  EXPECT_EQ(Fixed(0, 3), "0.000");
  EXPECT_EQ(Fixed(0.04, 1), "0.0");
  EXPECT_EQ(Fixed(214, 1), "214.0");
  EXPECT_EQ(Fixed(123.4, 1), "123.4");
  EXPECT_EQ(Fixed(99.96, 1), "100.0");
  EXPECT_EQ(Fixed(-39.61, 1), "-39.6");
}

TEST(NumberFormat, ValueRoundingToZeroHasNoMinusSign) {
  EXPECT_EQ(Fixed(-0.04, 1), "0.0");
  EXPECT_EQ(Fixed(-0.0, 0), "0");
  EXPECT_EQ(Fixed(-0.4, 0), "0");
  EXPECT_EQ(Fixed(-0.0004, 3), "0.000");
}

TEST(NumberFormat, DecimalSeparatorIsAParameter) {
  EXPECT_EQ(Fixed(12.25, 2, ','), "12,25");
  EXPECT_EQ(Fixed(-3.5, 1, ','), "-3,5");
}

TEST(NumberFormat, LargeValuesUseTheGeneralPath) {
  EXPECT_EQ(Fixed(1e16, 1), "10000000000000000.0");
  EXPECT_EQ(Fixed(123456789012345.5, 0), "123456789012346");
  EXPECT_EQ(Fixed(-2147483648.0, 0), "-2147483648");
  EXPECT_EQ(Fixed(65535, 2), "65535.00");
}

// For quotients of small integers the exact-ratio path must give the same text as formatting
// their double: that is what lets the row writer skip the floating-point formatting.
TEST(NumberFormat, RatioMatchesFixedForEveryByteScaledWord) {
  for (int div : {1, 2, 3, 7, 10, 60, 100, 101, 200, 255}) {
    const int decimals = div <= 1 ? 0 : (div <= 100 ? 1 : 2);
    for (int mult : {1, 3, 255}) {
      for (int raw = -32768; raw <= 32767; raw += (raw > -300 && raw < 300) ? 1 : 97) {
        const int64_t n = int64_t{mult} * raw;
        ASSERT_EQ(Ratio(n, div, decimals), Fixed(static_cast<double>(n) / div, decimals))
            << n << " / " << div;
      }
    }
  }
}

TEST(NumberFormat, RatioRoundsHalfAwayFromZero) {
  EXPECT_EQ(Ratio(1, 200, 2), "0.01");
  EXPECT_EQ(Ratio(-1, 200, 2), "-0.01");
  EXPECT_EQ(Ratio(-1, 300, 2), "0.00");
  EXPECT_EQ(Ratio(1234, 200, 2), "6.17");
  EXPECT_EQ(Ratio(1234, 100, 1), "12.3");
  EXPECT_EQ(Ratio(65535, 1, 0), "65535");
}

TEST(NumberFormat, Hex8WritesTheFull32BitPattern) {
  EXPECT_EQ(Hex8(0x1A2B), "00001A2B");
  EXPECT_EQ(Hex8(0), "00000000");
  EXPECT_EQ(Hex8(0xFFFFFFFE), "FFFFFFFE");
  EXPECT_EQ(Hex8(1234567), "0012D687");
}

}  // namespace
}  // namespace vid
