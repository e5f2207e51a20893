// Eight frames at a time: the grain kernels with AVX-512, chosen at run time.
// Only this file is built for AVX-512.
#include "engine/grain_kernel.h"

#if defined(__x86_64__) && defined(__GNUC__)
// GCC 12's AVX-512 conversions start from _mm512_undefined_*, which it then
// reports as read uninitialized wherever they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <array>

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl,avx512dq")

#include "engine/grain_kernel_simd.h"

namespace kornmill {
namespace {

// Each bit of an eight-frame mask twice: the mask of the frames' left and right samples.
constexpr std::array<uint16_t, 256> kSpread = [] {
  std::array<uint16_t, 256> t{};
  for (int m = 0; m < 256; ++m) {
    for (int bit = 0; bit < 8; ++bit) {
      if (m & (1 << bit)) t[static_cast<size_t>(m)] |= static_cast<uint16_t>(3u << (2 * bit));
    }
  }
  return t;
}();
inline __mmask16 Spread(__mmask8 m) {
  return kSpread[m];
}

// A window of 32 samples or table values, from which a group picks what it needs.
constexpr int kWindow = 32;

// Eight lanes: int32 and float in AVX registers, doubles in an AVX-512 one; masks are bits.
struct Avx512Lanes {
  static constexpr int kLanes = 8;
  using I = __m256i;
  using D = __m512d;
  using V = D;  // for the formulas
  using F = __m256;
  using IM = __mmask8;
  using DM = __mmask8;

  static I ISet(int32_t v) { return _mm256_set1_epi32(v); }
  static I ILane() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
  static I IAdd(I a, I b) { return _mm256_add_epi32(a, b); }
  static I ISub(I a, I b) { return _mm256_sub_epi32(a, b); }
  static I IMul(I a, I b) { return _mm256_mullo_epi32(a, b); }
  static I IAnd(I a, I b) { return _mm256_and_si256(a, b); }
  static I IShr15(I a) { return _mm256_srai_epi32(a, 15); }
  static IM ILess(I a, I b) { return _mm256_cmplt_epi32_mask(a, b); }
  static void IStore(int32_t* out, I a) { _mm256_store_si256(reinterpret_cast<__m256i*>(out), a); }
  static I PrefixSum(I a) {
    const I zero = _mm256_setzero_si256();
    a = _mm256_add_epi32(a, _mm256_alignr_epi32(a, zero, 7));  // lanes moved up by one
    a = _mm256_add_epi32(a, _mm256_alignr_epi32(a, zero, 6));
    return _mm256_add_epi32(a, _mm256_alignr_epi32(a, zero, 4));
  }
  static I Last(I a) { return _mm256_permutexvar_epi32(_mm256_set1_epi32(7), a); }

  static D Add(D a, D b) { return _mm512_add_pd(a, b); }
  static D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
  static D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
  static D Div(D a, D b) { return _mm512_div_pd(a, b); }
  static D Const(double v) { return _mm512_set1_pd(v); }
  static D DSetPairs(double a, double b) { return _mm512_setr_pd(a, b, a, b, a, b, a, b); }
  static D ToFloat(D x) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(x)); }
  static D FromInt(I a) { return _mm512_cvtepi32_pd(a); }
  static D FromFloats(F a) { return _mm512_cvtps_pd(a); }
  static I TruncInt(D a) { return _mm512_cvttpd_epi32(a); }
  static I RoundInt(D a) { return _mm512_cvtpd_epi32(a); }
  static DM AtLeast(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
  static DM Widen(IM m) { return m; }
  static DM AndMasks(DM a, DM b) { return static_cast<DM>(a & b); }
  static bool Any(DM m) { return m != 0; }

  // The reciprocal's quotient, one short at exact multiples of the divisor: corrected.
  static void Divide(I pos, D reciprocal, I divisor, I& frame, I& rest) {
    frame = TruncInt(Mul(FromInt(pos), reciprocal));
    rest = _mm256_sub_epi32(pos, _mm256_mullo_epi32(frame, divisor));
    const __mmask8 over = _mm256_cmpge_epi32_mask(rest, divisor);
    frame = _mm256_mask_add_epi32(frame, over, frame, _mm256_set1_epi32(1));
    rest = _mm256_mask_sub_epi32(rest, over, rest, divisor);
  }
  // Table values at `index` where `use` is set, else 1.0. The table holds at
  // least kWindow - 1 values after every index looked up (the envelope's guard).
  static F Lookup(const float* table, I index, IM use) {
    const F ones = _mm256_set1_ps(1.0f);
    if (use == 0) return ones;
    const __m512i wide = _mm512_castsi256_si512(index);
    const int32_t base = _mm512_mask_reduce_min_epi32(use, wide);
    const I offsets = _mm256_sub_epi32(index, _mm256_set1_epi32(base));
    if (_mm256_mask_cmpge_epu32_mask(use, offsets, _mm256_set1_epi32(kWindow)) == 0) {
      // Close together, as an envelope's steps are unless it is very short: one window.
      const __m512 v = _mm512_permutex2var_ps(_mm512_loadu_ps(table + base),
                                              _mm512_castsi256_si512(offsets),
                                              _mm512_loadu_ps(table + base + 16));
      return _mm256_mask_blend_ps(use, ones, _mm512_castps512_ps256(v));
    }
    alignas(32) int32_t i[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(i), _mm256_maskz_mov_epi32(use, index));
    const F v = _mm256_setr_ps(table[i[0]], table[i[1]], table[i[2]], table[i[3]], table[i[4]],
                               table[i[5]], table[i[6]], table[i[7]]);
    return _mm256_mask_blend_ps(use, ones, v);
  }
  static F Gather(const float* base, I index) { return _mm256_i32gather_ps(base, index, 4); }
  static F Join(const __m128 (*parts)[6], int i) { return _mm256_set_m128(parts[1][i], parts[0][i]); }

  template <int kPoints, bool kPair>
  static void Points(const GrainVoice& v, I index, F* points, F* second) {
    if (v.stride <= 2 && WindowPoints<kPoints, kPair>(v, index, points, second)) return;
    simd::RowPoints<Avx512Lanes, kPoints, kPair>(v.data, v.stride, index, points, second);
  }
  // A group whose frames lie close together in the sound (as at pitches up to
  // about three) loads one window of samples and picks every point from it.
  template <int kPoints, bool kPair>
  static bool WindowPoints(const GrainVoice& v, I index, F* points, F* second) {
    const int stride = v.stride;
    const int32_t base = _mm256_cvtsi256_si32(index);
    const I offsets = _mm256_sub_epi32(index, _mm256_set1_epi32(base));
    const int reach = (kPoints - 1) * stride + (kPair ? 1 : 0);  // the last sample a frame reads
    if (_mm256_cmpge_epu32_mask(offsets, _mm256_set1_epi32(kWindow - reach)) != 0) return false;
    // Only samples that exist are loaded: near the end of the sound the window is cut short.
    const int32_t left = v.readable - base;
    const uint32_t load = left >= kWindow ? ~0u : (1u << left) - 1;
    const __m512 lo = _mm512_maskz_loadu_ps(static_cast<__mmask16>(load), v.data + base);
    const __m512 hi = _mm512_maskz_loadu_ps(static_cast<__mmask16>(load >> 16), v.data + base + 16);
    const __m512i at = _mm512_castsi256_si512(offsets);
    for (int i = 0; i < kPoints; ++i) {
      const __m512i point = _mm512_add_epi32(at, _mm512_set1_epi32(i * stride));
      points[i] = _mm512_castps512_ps256(_mm512_permutex2var_ps(lo, point, hi));
      if constexpr (kPair) {
        const __m512i next = _mm512_add_epi32(point, _mm512_set1_epi32(1));
        second[i] = _mm512_castps512_ps256(_mm512_permutex2var_ps(lo, next, hi));
      }
    }
    return true;
  }

  static void MixStereo(float* dst, D left, D right, D gains, DM live, DM valid, bool whole) {
    const D first_pair =
        _mm512_permutex2var_pd(left, _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11), right);
    const D second_pair =
        _mm512_permutex2var_pd(left, _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15), right);
    const __mmask16 valid16 = Spread(valid);
    const __m512 block = whole ? _mm512_loadu_ps(dst) : _mm512_maskz_loadu_ps(valid16, dst);
    D first = _mm512_cvtps_pd(_mm512_castps512_ps256(block));
    D second = _mm512_cvtps_pd(
        _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(block), 1)));
    first = _mm512_add_pd(first, _mm512_mul_pd(first_pair, gains));
    second = _mm512_add_pd(second, _mm512_mul_pd(second_pair, gains));
    const __m512 sum = _mm512_castpd_ps(
        _mm512_insertf64x4(_mm512_castps_pd(_mm512_castps256_ps512(_mm512_cvtpd_ps(first))),
                           _mm256_castps_pd(_mm512_cvtpd_ps(second)), 1));
    // Frames below the silence threshold keep their value bit for bit.
    const __m512 out = _mm512_mask_blend_ps(Spread(live), block, sum);
    if (whole) {
      _mm512_storeu_ps(dst, out);
    } else {
      _mm512_mask_storeu_ps(dst, valid16, out);
    }
  }

  static void MixMono(float* dst, D value, double gain, DM live, DM valid, bool whole) {
    const __m256 block = whole ? _mm256_loadu_ps(dst) : _mm256_maskz_loadu_ps(valid, dst);
    const D sum = _mm512_add_pd(_mm512_cvtps_pd(block), _mm512_mul_pd(value, Const(gain)));
    const __m256 out = _mm256_mask_blend_ps(live, block, _mm512_cvtpd_ps(sum));
    if (whole) {
      _mm256_storeu_ps(dst, out);
    } else {
      _mm256_mask_storeu_ps(dst, valid, out);
    }
  }
};

// Built for AVX-512 as well: called only once the processor is known to have it.
const GrainKernels* Avx512KernelTable() {
  static const GrainKernels kernels = simd::MakeKernels<Avx512Lanes>();
  return &kernels;
}

}  // namespace
}  // namespace kornmill

#pragma GCC pop_options

namespace kornmill {
const GrainKernels* Avx512GrainKernels() {
  const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
                    __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
  return have ? Avx512KernelTable() : nullptr;
}
}  // namespace kornmill

#else
namespace kornmill {
const GrainKernels* Avx512GrainKernels() {
  return nullptr;
}
}  // namespace kornmill
#endif
