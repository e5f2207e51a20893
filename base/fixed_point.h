// Fixed-point helpers: 28-bit positions, 32-bit wrapping arithmetic and the rounding steps.
#pragma once

#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kornmill {

// 28-bit sound positions: the whole sound spans 0 .. kPositionMask whatever its length.
inline constexpr uint32_t kPositionMask = 0x0FFFFFFF;
inline constexpr uint32_t kPhaseOne = 1u << 28;  // 268435456: one full cycle

constexpr int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Conversions of a double to a 32-bit integer wrap values beyond the 32-bit
// range the way 32-bit integer arithmetic would; values beyond the 64-bit
// range and non-finite values give 0.
#if defined(__SSE2__) && defined(__x86_64__)
// trunc(x): toward zero.
inline int32_t Trunc(double x) {
  return static_cast<int32_t>(static_cast<uint32_t>(_mm_cvttsd_si64(_mm_set_sd(x))));
}
// round(x): to the nearest integer, ties to even (the SSE rounding mode).
inline int32_t RoundEven(double x) {
  return static_cast<int32_t>(static_cast<uint32_t>(_mm_cvtsd_si64(_mm_set_sd(x))));
}
#else
inline int32_t Trunc(double x) {
  if (!(std::fabs(x) < 9.2e18)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(x)));
}
inline int32_t RoundEven(double x) {
  return Trunc(std::nearbyint(x));
}
#endif

}  // namespace kornmill
