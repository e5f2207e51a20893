// A source sound held in memory as interleaved float samples with guard frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kornmill {

// 28-bit sound positions: the whole sound spans 0 .. kPositionMask whatever its length.
inline constexpr uint32_t kPositionMask = 0x0FFFFFFF;
inline constexpr uint32_t kPhaseOne = 1u << 28;  // 268435456: one full cycle

// One source sound. The fields the grain engine reads are the frame data,
// frame count, channels, position scale, onset unit, rate ratio and the
// amplitude table; the loader owns the rest.
struct Sound {
  // > 0: streams using it; 0: empty, loading, or left while grains still read it;
  // < 0: loaded but idle, the more negative the longer idle.
  int32_t use_count = 0;
  std::string path;  // full path of the file
  std::string name;  // display name: the file name after the last '/'
  // frames × channels samples, then the guard frames (copies of the first
  // frames), then one spare sample (0): a one-channel sound read with the
  // second-channel mask reaches one sample past the last guard frame.
  std::vector<float> samples;
  int32_t frame_count = 0;
  uint32_t frame_rate = 0;
  int16_t channels = 0;
  uint32_t onset_unit = 0;        // 2^28 / output rate
  uint32_t rate_ratio = 0;        // (output rate × 2048) / frame rate
  float position_scale = 0;       // 2^28 / frames + channels / 2: position units per frame
  std::vector<float> amp_table;   // one entry per 100 frames
  float position_scale_copy = 0;  // the same value, used for amplitude-table lookups
  int32_t live_grains = 0;        // grains that still read this sound
  bool builtin = false;           // the built-in sine: never counted, freed or reused
  bool loading = false;           // a loader thread is filling this record

  // Number of interleaved samples of sound data (without the guard).
  int64_t sample_count() const { return int64_t(frame_count) * channels; }
};

// Position scale of a sound of `frames` frames and `channels` channels:
// float32(268435456.0 / frames) + channels / 2 (integer halves).
float PositionScale(int32_t frames, int channels);

// Number of guard frames a sound needs so that every frame the renderers can
// read exists: max((2^28 mod trunc(S)) + 11, 268435455 / round(S) + 6 - frames).
int32_t GuardFrameCount(float position_scale, int32_t frames);

// Fills the guard after the sound data with the sound's frames from the first
// on, cyclically when the guard is longer than the sound. `samples` must hold
// (frames + guard) × channels values.
void FillGuard(Sound& sound, int32_t guard_frames);

// Sets the onset unit and rate ratio of a sound from the output rate.
void SetRateConstants(Sound& sound, uint32_t output_rate);

// Builds the sound's amplitude table (one normalised loudness value per 100
// frames). Returns false when memory runs out; `error` then holds the text
// "Memory allocation error for amptable".
bool BuildAmplitudeTable(Sound& sound, std::string* error = nullptr);

}  // namespace kornmill
