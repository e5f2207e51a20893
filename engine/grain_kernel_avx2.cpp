// Four frames at a time: the grain kernels with AVX2, chosen at run time.
// Only this file is built for AVX2.
#include "engine/grain_kernel.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

#include "engine/grain_kernel_simd.h"

namespace kornmill {
namespace {

// Four lanes: int32 in an SSE register, doubles in an AVX one; masks are all-ones lanes.
struct Avx2Lanes {
  static constexpr int kLanes = 4;
  using I = __m128i;
  using D = __m256d;
  using V = D;  // for the formulas
  using F = __m128;
  using IM = __m128i;
  using DM = __m256d;

  static I ISet(int32_t v) { return _mm_set1_epi32(v); }
  static I ILane() { return _mm_setr_epi32(0, 1, 2, 3); }
  static I IAdd(I a, I b) { return _mm_add_epi32(a, b); }
  static I ISub(I a, I b) { return _mm_sub_epi32(a, b); }
  static I IMul(I a, I b) { return _mm_mullo_epi32(a, b); }
  static I IAnd(I a, I b) { return _mm_and_si128(a, b); }
  static I IShr15(I a) { return _mm_srai_epi32(a, 15); }
  static IM ILess(I a, I b) { return _mm_cmpgt_epi32(b, a); }
  static void IStore(int32_t* out, I a) { _mm_store_si128(reinterpret_cast<__m128i*>(out), a); }
  static I PrefixSum(I a) {
    a = _mm_add_epi32(a, _mm_slli_si128(a, 4));
    return _mm_add_epi32(a, _mm_slli_si128(a, 8));
  }
  static I Last(I a) { return _mm_shuffle_epi32(a, 0xFF); }

  static D Add(D a, D b) { return _mm256_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
  static D Div(D a, D b) { return _mm256_div_pd(a, b); }
  static D Const(double v) { return _mm256_set1_pd(v); }
  static D DSetPairs(double a, double b) { return _mm256_setr_pd(a, b, a, b); }
  static D ToFloat(D x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }
  static D FromInt(I a) { return _mm256_cvtepi32_pd(a); }
  static D FromFloats(F a) { return _mm256_cvtps_pd(a); }
  static I TruncInt(D a) { return _mm256_cvttpd_epi32(a); }
  static I RoundInt(D a) { return _mm256_cvtpd_epi32(a); }
  static DM AtLeast(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
  static DM Widen(IM m) { return _mm256_castsi256_pd(_mm256_cvtepi32_epi64(m)); }
  static DM AndMasks(DM a, DM b) { return _mm256_and_pd(a, b); }
  static bool Any(DM m) { return _mm256_movemask_pd(m) != 0; }

  // The reciprocal's quotient, one short at exact multiples of the divisor: corrected.
  static void Divide(I pos, D reciprocal, I divisor, I& frame, I& rest) {
    frame = TruncInt(Mul(FromInt(pos), reciprocal));
    rest = _mm_sub_epi32(pos, _mm_mullo_epi32(frame, divisor));
    const I over = _mm_cmpgt_epi32(rest, _mm_sub_epi32(divisor, _mm_set1_epi32(1)));
    frame = _mm_sub_epi32(frame, over);
    rest = _mm_sub_epi32(rest, _mm_and_si128(over, divisor));
  }
  // Table values at `index` where `use` is set, else 1.0.
  static F Lookup(const float* table, I index, IM use) {
    alignas(16) int32_t i[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(i), _mm_and_si128(index, use));
    const F v = _mm_setr_ps(table[i[0]], table[i[1]], table[i[2]], table[i[3]]);
    return _mm_blendv_ps(_mm_set1_ps(1.0f), v, _mm_castsi128_ps(use));
  }
  static F Gather(const float* base, I index) { return _mm_i32gather_ps(base, index, 4); }
  static F Join(const __m128 (*parts)[6], int i) { return parts[0][i]; }
  template <int kPoints, bool kPair>
  static void Points(const GrainVoice& v, I index, F* points, F* second) {
    simd::RowPoints<Avx2Lanes, kPoints, kPair>(v.data, v.stride, index, points, second);
  }

  // Four frames' masks (one per double) as eight stereo float masks, or four mono ones.
  static __m256i StereoMask(DM m) {
    return _mm256_permutevar8x32_epi32(_mm256_castpd_si256(m),
                                       _mm256_setr_epi32(0, 0, 2, 2, 4, 4, 6, 6));
  }
  static __m128i MonoMask(DM m) {
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_castpd_si256(m), _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
  }

  static void MixStereo(float* dst, D left, D right, D gains, DM live, DM valid, bool whole) {
    // (l0 r0 l2 r2) and (l1 r1 l3 r3), then frames in order: (l0 r0 l1 r1), (l2 r2 l3 r3).
    const D lo = _mm256_unpacklo_pd(left, right), hi = _mm256_unpackhi_pd(left, right);
    const D first_pair = _mm256_permute2f128_pd(lo, hi, 0x20);
    const D second_pair = _mm256_permute2f128_pd(lo, hi, 0x31);
    const __m256i valid8 = StereoMask(valid);
    const __m256 block = whole ? _mm256_loadu_ps(dst) : _mm256_maskload_ps(dst, valid8);
    D first = _mm256_cvtps_pd(_mm256_castps256_ps128(block));
    D second = _mm256_cvtps_pd(_mm256_extractf128_ps(block, 1));
    first = _mm256_add_pd(first, _mm256_mul_pd(first_pair, gains));
    second = _mm256_add_pd(second, _mm256_mul_pd(second_pair, gains));
    __m256 sum = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(first)),
                                      _mm256_cvtpd_ps(second), 1);
    // Frames below the silence threshold keep their value bit for bit.
    sum = _mm256_blendv_ps(block, sum, _mm256_castsi256_ps(StereoMask(live)));
    if (whole) {
      _mm256_storeu_ps(dst, sum);
    } else {
      _mm256_maskstore_ps(dst, valid8, sum);
    }
  }

  static void MixMono(float* dst, D value, double gain, DM live, DM valid, bool whole) {
    const __m128i valid4 = MonoMask(valid);
    const __m128 block = whole ? _mm_loadu_ps(dst) : _mm_maskload_ps(dst, valid4);
    const D sum = _mm256_add_pd(_mm256_cvtps_pd(block), _mm256_mul_pd(value, Const(gain)));
    const __m128 out =
        _mm_blendv_ps(block, _mm256_cvtpd_ps(sum), _mm_castsi128_ps(MonoMask(live)));
    if (whole) {
      _mm_storeu_ps(dst, out);
    } else {
      _mm_maskstore_ps(dst, valid4, out);
    }
  }
};

// Built for AVX2 as well: called only once the processor is known to have it.
const GrainKernels* Avx2KernelTable() {
  static const GrainKernels kernels = simd::MakeKernels<Avx2Lanes>();
  return &kernels;
}

}  // namespace
}  // namespace kornmill

#pragma GCC pop_options

namespace kornmill {
const GrainKernels* Avx2GrainKernels() {
  return __builtin_cpu_supports("avx2") ? Avx2KernelTable() : nullptr;
}
}  // namespace kornmill

#else
namespace kornmill {
const GrainKernels* Avx2GrainKernels() {
  return nullptr;
}
}  // namespace kornmill
#endif
