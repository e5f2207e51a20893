// A source sound held in memory as interleaved float samples with guard frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kornmill {

class WaveformOverview;

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
  // The picture of the sound for the sound view, built by the loader thread
  // once the samples are in; null for the built-in sine (the view builds its own).
  std::shared_ptr<const WaveformOverview> overview;

  // Number of interleaved samples of sound data (without the guard).
  int64_t sample_count() const { return int64_t(frame_count) * channels; }
};

}  // namespace kornmill
