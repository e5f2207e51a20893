// Two frames at a time: the stereo mixing pass with SSE2 (part of every x86-64).
#include "engine/mix_kernels.h"

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>

#include "engine/interpolation_formulas.h"

namespace kornmill {
namespace {

struct Sse2Ops {
  using V = __m128d;
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static V Const(double v) { return _mm_set1_pd(v); }
  static V ToFloat(V x) { return _mm_cvtps_pd(_mm_cvtpd_ps(x)); }
};

}  // namespace

template <int kPoints, bool kPair>
void MixStereoSse2(const GrainStepFrames& f, const StereoMixArgs& m) {
  const __m128d divisor = _mm_set1_pd(m.divisor);
  const __m128d gains = _mm_set_pd(m.right, m.left);
  for (int j = 0; j < kKernelFrames; j += 2) {
    if (!(f.live[j] | f.live[j + 1])) continue;
    const __m128d live = _mm_load_pd(reinterpret_cast<const double*>(f.live + j));
    const __m128i rest = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(f.rest + j));
    const __m128d t = Sse2Ops::ToFloat(_mm_div_pd(_mm_cvtepi32_pd(rest), divisor));
    const __m128d env = _mm_load_pd(f.env + j);
    const float* p0 = m.data + f.offset[j];
    const float* p1 = m.data + f.offset[j + 1];
    auto read = [&](int channel) {
      auto point = [&](int i) {
        const int at = i * m.stride + channel;
        return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(p0 + at), _mm_load_ss(p1 + at)));
      };
      const __m128d v = formulas::Read<Sse2Ops, kPoints>(point, t);
      return _mm_and_pd(live, Sse2Ops::ToFloat(_mm_mul_pd(v, env)));
    };
    const __m128d a = read(0);
    const __m128d b = kPair ? read(1) : a;
    // dst holds L(j) R(j) L(j+1) R(j+1).
    float* dst = m.dst + 2 * j;
    const __m128 block = _mm_loadu_ps(dst);
    __m128d first = _mm_cvtps_pd(block);
    __m128d second = _mm_cvtps_pd(_mm_movehl_ps(block, block));
    first = _mm_add_pd(first, _mm_mul_pd(_mm_unpacklo_pd(a, b), gains));
    second = _mm_add_pd(second, _mm_mul_pd(_mm_unpackhi_pd(a, b), gains));
    _mm_storeu_ps(dst, _mm_movelh_ps(_mm_cvtpd_ps(first), _mm_cvtpd_ps(second)));
  }
}

#define KORNMILL_INSTANTIATE(points)                                                        \
  template void MixStereoSse2<points, false>(const GrainStepFrames&, const StereoMixArgs&); \
  template void MixStereoSse2<points, true>(const GrainStepFrames&, const StereoMixArgs&);
KORNMILL_INSTANTIATE(2)
KORNMILL_INSTANTIATE(4)
KORNMILL_INSTANTIATE(6)
#undef KORNMILL_INSTANTIATE

}  // namespace kornmill
#endif
