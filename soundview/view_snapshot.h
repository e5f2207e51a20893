// What the sound view shows of one rendered block: loop, grains and output level.
#pragma once

#include <array>
#include <cstdint>

#include "engine/grain_marks.h"

namespace kornmill {

// At most this many grains are drawn; more sound only when the pool is huge.
inline constexpr int kViewGrains = 4096;

// One block as the view draws it. Positions are source frames of `sound`.
struct ViewSnapshot {
  uint64_t block = 0;           // blocks published before this one
  const void* sound = nullptr;  // identity of the sound read (compared, never read)
  int32_t frame_count = 0;      // frames of that sound
  int32_t channels = 0;
  int32_t input_mask = 0;       // channels in use: bit 0 left, bit 1 right
  bool playing = false;         // the block was rendered while playing
  int32_t loop_start = 0;       // first frame of the loop region
  int32_t loop_length = 0;      // frames of the loop region (may wrap past the end)
  int32_t loop_position = 0;    // frame the loop reads now
  float peak_left = 0;          // the block's largest absolute sample per channel
  float peak_right = 0;
  int32_t grain_count = 0;      // marks used; more grains may sound
  int32_t grains_sounding = 0;  // all grains sounding
  std::array<GrainMark, kViewGrains> grains{};
};

}  // namespace kornmill
