// The ring of four output blocks, float and 16-bit, shared by the main thread and the device
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "output/output_config.h"

namespace kornmill {

// Converts `n` float samples to 16 bits: round-to-nearest(s × 32767.5), ties
// to even, clamped to -32767 .. 32767 (NaN gives 0). Any thread; no allocation.
void ConvertTo16Bit(const float* in, int16_t* out, int n);

// N = 4 blocks of `samples` floats and as many 16-bit blocks (one spare block
// each, unused). The main thread fills blocks at the fill index; the device
// thread takes them from the play index. The queued count is the only field
// both change.
class BlockRing {
 public:
  // Main thread, while no device runs. Zeroed blocks; throws std::bad_alloc.
  void Allocate(int samples_per_block);
  // Main thread, while no device runs: empty queue, both indices 0.
  void Reset();

  int samples() const { return samples_; }
  float* float_block(int i) { return floats_.data() + static_cast<size_t>(i) * samples_; }
  const float* float_block(int i) const {
    return floats_.data() + static_cast<size_t>(i) * samples_;
  }
  int16_t* int16_block(int i) { return shorts_.data() + static_cast<size_t>(i) * samples_; }
  const int16_t* int16_block(int i) const {
    return shorts_.data() + static_cast<size_t>(i) * samples_;
  }

  // Any thread.
  int queued() const { return queued_.load(std::memory_order_acquire); }
  int fill_index() const { return fill_.load(std::memory_order_acquire); }

  // Main thread: the block the next render writes, or -1 when all N are queued.
  int FreeBlock() const { return queued() >= kBlockCount ? -1 : fill_index(); }
  // Main thread: the block at the fill index is rendered; queue it.
  void CommitFill();

  // Device thread: the oldest queued block, or -1 (underrun).
  int OldestBlock() const { return queued() == 0 ? -1 : play_; }
  // Device thread: the oldest block has been taken.
  void ReleaseOldest();
  // Device thread: the block the device reads next (also reported on underruns).
  int play_index() const { return play_; }

 private:
  std::vector<float> floats_;
  std::vector<int16_t> shorts_;
  int samples_ = 0;
  std::atomic<int> queued_{0};
  std::atomic<int> fill_{0};
  int play_ = 0;
};

}  // namespace kornmill
