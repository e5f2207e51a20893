// The once-per-block publishing step of the sound view: engine state copied into the back slot.
#include "soundview/snapshot_publisher.h"

#include <algorithm>
#include <cmath>

#include "base/fixed_point.h"
#include "base/sound.h"
#include "controls/stream.h"
#include "engine/engine.h"

namespace kornmill {
namespace {

// Source frame of a 28-bit position (the engine's own division).
int32_t FrameOf(uint32_t position, uint32_t divisor) {
  return static_cast<int32_t>((position & static_cast<uint32_t>(kPositionMask)) / divisor);
}

void Peaks(const float* block, int frames, int channels, ViewSnapshot& snap) {
  float left = 0;
  float right = 0;
  for (int i = 0; i < frames; ++i) {
    left = std::max(left, std::fabs(block[i * channels]));
    if (channels > 1) right = std::max(right, std::fabs(block[i * channels + 1]));
  }
  snap.peak_left = left;
  snap.peak_right = channels > 1 ? right : left;
}

}  // namespace

void SnapshotPublisher::Publish(const Engine& engine, const Stream& stream, const float* block,
                                int frames, int channels, bool playing) {
  if (!enabled_.load(std::memory_order_relaxed)) return;
  ViewSnapshot& snap = buffer_.back();
  const Sound* sound = stream.sound;
  snap.block = blocks_++;
  snap.sound = sound;
  snap.playing = playing;
  snap.input_mask = stream.input_mask;
  snap.grains_sounding = engine.active_grains();
  Peaks(block, frames, channels, snap);
  if (!sound || sound->frame_count <= 0) {
    snap.frame_count = 0;
    snap.channels = 0;
    snap.grain_count = 0;
    buffer_.Publish();
    return;
  }
  const uint32_t divisor = static_cast<uint32_t>(std::max(1, RoundEven(sound->position_scale)));
  const int32_t start = Trunc(stream.cur(kLoopStart) * 65536.0);
  snap.frame_count = sound->frame_count;
  snap.channels = sound->channels;
  snap.loop_start = FrameOf(static_cast<uint32_t>(start), divisor);
  snap.loop_length = FrameOf(static_cast<uint32_t>(std::max(0, stream.loop_length)), divisor);
  snap.loop_position =
      FrameOf(static_cast<uint32_t>(WrapAdd(start, stream.loop_position)), divisor);
  snap.grain_count = engine.ReadGrainMarks(sound, snap.grains.data(), kViewGrains);
  buffer_.Publish();
}

}  // namespace kornmill
