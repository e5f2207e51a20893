// The fixed-point helpers: wrapping arithmetic, and rounding steps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "base/fixed_point.h"

namespace kornmill {
namespace {

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
