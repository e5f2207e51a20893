// Four frames at a time: the stereo mixing pass with AVX, chosen at run time.
// Only this file is built for AVX (no fused multiply-add: the rounding steps stay).
#include <cstddef>
#include <cstdint>

#include "engine/mix_kernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx")

#include "engine/interpolation_formulas.h"

namespace kornmill {
namespace {

struct AvxOps {
  using V = __m256d;
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static V Const(double v) { return _mm256_set1_pd(v); }
  static V ToFloat(V x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }
};

}  // namespace

template <int kPoints, bool kPair>
void MixStereoAvx(const GrainStepFrames& f, const StereoMixArgs& m) {
  const __m256d divisor = _mm256_set1_pd(m.divisor);
  const __m256d gains = _mm256_set_pd(m.right, m.left, m.right, m.left);
  for (int j = 0; j < kKernelFrames; j += 4) {
    if (!(f.live[j] | f.live[j + 1] | f.live[j + 2] | f.live[j + 3])) continue;
    const __m256d live = _mm256_load_pd(reinterpret_cast<const double*>(f.live + j));
    const __m128i rest = _mm_load_si128(reinterpret_cast<const __m128i*>(f.rest + j));
    const __m256d t = AvxOps::ToFloat(_mm256_div_pd(_mm256_cvtepi32_pd(rest), divisor));
    const __m256d env = _mm256_load_pd(f.env + j);
    const float* p[4] = {m.data + f.offset[j], m.data + f.offset[j + 1], m.data + f.offset[j + 2],
                         m.data + f.offset[j + 3]};
    auto read = [&](int channel) {
      auto point = [&](int i) {
        const int at = i * m.stride + channel;
        return _mm256_cvtps_pd(_mm_set_ps(p[3][at], p[2][at], p[1][at], p[0][at]));
      };
      const __m256d v = formulas::Read<AvxOps, kPoints>(point, t);
      return _mm256_and_pd(live, AvxOps::ToFloat(_mm256_mul_pd(v, env)));
    };
    const __m256d a = read(0);
    const __m256d b = kPair ? read(1) : a;
    // (a0 b0 a2 b2) and (a1 b1 a3 b3), then frames in order: (a0 b0 a1 b1), (a2 b2 a3 b3).
    const __m256d lo = _mm256_unpacklo_pd(a, b), hi = _mm256_unpackhi_pd(a, b);
    const __m256d first_pair = _mm256_permute2f128_pd(lo, hi, 0x20);
    const __m256d second_pair = _mm256_permute2f128_pd(lo, hi, 0x31);
    // dst holds L R of frames j .. j + 3.
    float* dst = m.dst + 2 * j;
    const __m256 block = _mm256_loadu_ps(dst);
    __m256d first = _mm256_cvtps_pd(_mm256_castps256_ps128(block));
    __m256d second = _mm256_cvtps_pd(_mm256_extractf128_ps(block, 1));
    first = _mm256_add_pd(first, _mm256_mul_pd(first_pair, gains));
    second = _mm256_add_pd(second, _mm256_mul_pd(second_pair, gains));
    const __m256 out = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(first)),
                                            _mm256_cvtpd_ps(second), 1);
    _mm256_storeu_ps(dst, out);
  }
}

#define KORNMILL_INSTANTIATE(points)                                                       \
  template void MixStereoAvx<points, false>(const GrainStepFrames&, const StereoMixArgs&); \
  template void MixStereoAvx<points, true>(const GrainStepFrames&, const StereoMixArgs&);
KORNMILL_INSTANTIATE(2)
KORNMILL_INSTANTIATE(4)
KORNMILL_INSTANTIATE(6)
#undef KORNMILL_INSTANTIATE

}  // namespace kornmill

#pragma GCC pop_options

namespace kornmill {
bool HaveAvx() {
  return __builtin_cpu_supports("avx");
}
}  // namespace kornmill

#else
namespace kornmill {
bool HaveAvx() {
  return false;
}
}  // namespace kornmill
#endif
