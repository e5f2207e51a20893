// A sounding grain and the pool its records come from.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/grain_kernel.h"

namespace kornmill {

struct Stream;
struct Sound;

struct Grain {
  // Changed by the step loop as the grain plays.
  Grain* next = nullptr;       // active list
  Grain* free_link = nullptr;  // free list
  int32_t position = 0;        // 28-bit read position
  int32_t remaining = 0;       // frames still to play; -8 per step
  int32_t attack_phase = 0;
  int32_t decay_phase = 0;
  float left_gain = 0;
  float right_gain = 0;
  int32_t frame_counter = 0;   // frames rendered; minus the start frame in its first step

  // Set when the grain starts (the soft stop shortens the envelope), on a cache
  // line of their own.
  alignas(64) Stream* stream = nullptr;
  Sound* sound = nullptr;
  int32_t increment = 0;    // position units per frame, reduced to 28 bits
  int32_t decay_start = 0;  // decay begins when remaining <= this
  int32_t attack_increment = 0;
  int32_t decay_decrement = 0;
  uint8_t short_flag = 0;  // shorter than one second of output
  float base_left_gain = 0;
  float base_right_gain = 0;
  float silence_threshold = 0;  // envelope values below it are skipped
  float glissando = 0;          // change of the increment per frame

  // What rendering reads of the grain, made when its plan first needs it and
  // again when its input channel or its envelope changes. On cache lines of its
  // own, which the step loop never writes, so render threads keep their copies.
  alignas(64) GrainVoice voice;
  int32_t voice_mask = 0;  // the input mask the voice was made for; 0 when it must be made
};

// Grain records come in blocks of 64, never given back; the blocks one
// reservation needs come in one piece, whose pages are asked for at once. The
// first record of the first block is the list header: its `next` is the first
// active grain and its `free_link` the first free one.
class GrainPool {
 public:
  static constexpr int kBlockSize = 64;

  GrainPool();

  // Takes a record from the free list and puts it at the front of the active
  // list; null when the free list is empty (never allocates).
  Grain* AllocGrain();
  // Adds blocks until at least `n` records are free. Allocates; not for the render path.
  void Reserve(int n);
  // Unlinks `g` (whose predecessor in the active list is `prev`) and frees it.
  void Release(Grain* prev, Grain* g);

  Grain* header() { return header_; }
  Grain* first_active() { return header_->next; }
  const Grain* first_active() const { return header_->next; }
  int active_count() const { return active_; }
  void add_active(int n) { active_ += n; }
  int free_count() const { return free_; }
  // Grain records in all blocks (the header excluded).
  int capacity() const { return blocks_ * kBlockSize - 1; }

 private:
  struct FreeRecords {
    void operator()(Grain* records) const;
  };
  using Records = std::unique_ptr<Grain[], FreeRecords>;
  // `count` blocks in one piece, their records put first on the free list.
  void AddBlocks(int count);

  std::vector<Records> pieces_;
  int blocks_ = 0;
  Grain* header_ = nullptr;
  int active_ = 0;
  int free_ = 0;
};

}  // namespace kornmill
