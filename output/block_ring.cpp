// The ring of output blocks and the float to 16-bit conversion.
#include "output/block_ring.h"

#include <cmath>

namespace kornmill {

void ConvertTo16Bit(const float* in, int16_t* out, int n) {
  for (int i = 0; i < n; ++i) {
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
