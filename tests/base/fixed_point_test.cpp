// The fixed-point helpers: wrapping arithmetic, rounding steps and the position divider.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "base/fixed_point.h"

namespace kornmill {
namespace {

TEST(PositionDivider, GivesTheExactQuotientForEvery28BitPosition) {
  // Every position for the sine's divisor, and a sweep for others.
  const PositionDivider sine(32768);
  for (uint32_t n = 0; n <= kPositionMask; n += 1) {
    if (sine.Quotient(n) != n / 32768) FAIL() << n;
  }
  for (uint32_t d : {1u, 2u, 3u, 7u, 6087u, 32769u, 65537u, 89478485u, 268435456u}) {
    const PositionDivider div(d);
    for (uint32_t n = 0; n <= kPositionMask - 9973; n += 9973)
      ASSERT_EQ(div.Quotient(n), n / d) << n << "/" << d;
    ASSERT_EQ(div.Quotient(kPositionMask), kPositionMask / d) << d;
  }
}

TEST(FixedPoint, RoundingToIntegersWrapsLike32BitArithmetic) {
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(4294967297.0), 1);  // 2^32 + 1 wraps
  EXPECT_EQ(Trunc(NAN), 0);
  EXPECT_EQ(WrapMul(65536, 65536), 0);
  EXPECT_EQ(WrapAdd(INT32_MAX, 1), INT32_MIN);
}

}  // namespace
}  // namespace kornmill
