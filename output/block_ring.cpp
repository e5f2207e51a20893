// The ring of output blocks and the float to 16-bit conversion.
#include "output/block_ring.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kornmill {

void ConvertTo16Bit(const float* in, int16_t* out, int n) {
  int i = 0;
#if defined(__SSE2__)
  // Two samples per double register, with the same product, NaN rule, clamp and
  // rounding (the current rounding mode, as lrint) as the loop below.
  const __m128d scale = _mm_set1_pd(32767.5);
  const __m128d high = _mm_set1_pd(32767.0), low = _mm_set1_pd(-32767.0);
  auto two = [&](__m128 f) {
    __m128d v = _mm_mul_pd(_mm_cvtps_pd(f), scale);
    v = _mm_and_pd(v, _mm_cmpord_pd(v, v));  // NaN gives 0
    return _mm_cvtpd_epi32(_mm_min_pd(_mm_max_pd(v, low), high));
  };
  for (; i + 4 <= n; i += 4) {
    const __m128 f = _mm_loadu_ps(in + i);
    const __m128i v = _mm_unpacklo_epi64(two(f), two(_mm_movehl_ps(f, f)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(v, v));
  }
#endif
  for (; i < n; ++i) {
    // The product is exact in double; round to nearest, ties to even.
    double v = double(in[i]) * 32767.5;
    if (!(v == v)) v = 0.0;  // NaN
    if (v > 32767.0) v = 32767.0;
    if (v < -32767.0) v = -32767.0;
    out[i] = static_cast<int16_t>(std::lrint(v));
  }
}

void BlockRing::Allocate(int samples_per_block) {
  const size_t total = static_cast<size_t>(kBlockCount + 1) * samples_per_block;
  std::vector<float> floats(total, 0.0f);
  std::vector<int16_t> shorts(total, 0);
  floats_.swap(floats);
  shorts_.swap(shorts);
  samples_ = samples_per_block;
  Reset();
}

void BlockRing::Reset() {
  queued_.store(0, std::memory_order_release);
  fill_.store(0, std::memory_order_release);
  play_ = 0;
}

void BlockRing::CommitFill() {
  // The block is complete before it is counted: the device reads it only after
  // it sees the larger count.
  fill_.store((fill_index() + 1) % kBlockCount, std::memory_order_release);
  queued_.fetch_add(1, std::memory_order_acq_rel);
}

void BlockRing::ReleaseOldest() {
  play_ = (play_ + 1) % kBlockCount;
  int q = queued_.load(std::memory_order_acquire);
  while (q > 0 && !queued_.compare_exchange_weak(q, q - 1, std::memory_order_acq_rel)) {
  }
}

}  // namespace kornmill
