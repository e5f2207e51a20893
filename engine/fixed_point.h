// 32-bit two's-complement helpers: wrapping arithmetic and the engine's rounding steps.
#pragma once

#include <cmath>
#include <cstdint>

namespace kornmill {

constexpr int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Converts a double to a 32-bit integer, wrapping values beyond the 32-bit
// range the way 32-bit integer arithmetic would; non-finite values give 0.
inline int32_t WrapToInt32(double x) {
  if (!(std::fabs(x) < 9.2e18)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(x)));
}

// trunc(x): toward zero.
inline int32_t Trunc(double x) { return WrapToInt32(x); }

// round(x): to the nearest integer, ties to even.
inline int32_t RoundEven(double x) { return WrapToInt32(std::nearbyint(x)); }

}  // namespace kornmill
