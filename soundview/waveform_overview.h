// The picture of a sound: smallest and largest sample per column, at a few widths.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kornmill {

struct Sound;

// Built once per sound (on the loader thread), then only read: any thread may
// read a finished overview.
class WaveformOverview {
 public:
  // Columns of each level, finest first; a sound of fewer frames has one
  // column per frame.
  static constexpr std::array<int, 3> kLevelColumns = {4096, 1024, 256};
  static constexpr int kLevels = static_cast<int>(kLevelColumns.size());

  struct Range {
    float min = 0;
    float max = 0;
  };

  // From interleaved samples (frames × channels, one or two channels).
  WaveformOverview(const float* samples, int64_t frames, int channels);
  // Of a loaded sound.
  static std::shared_ptr<const WaveformOverview> Of(const Sound& sound);

  int channels() const { return channels_; }
  int64_t frames() const { return frames_; }
  int columns(int level) const { return static_cast<int>(levels_[level].size()) / channels_; }
  // The level with the fewest columns that still has at least `width`
  // (the finest one when none has that many).
  int LevelFor(int width) const;
  // Column `column` of channel `channel` at `level`: frames
  // column × frames / columns up to the next column's first frame.
  const Range& at(int level, int channel, int column) const {
    return levels_[level][static_cast<size_t>(column) * channels_ + channel];
  }

 private:
  void BuildLevel(int level, const float* samples);

  int64_t frames_ = 0;
  int channels_ = 1;
  std::array<std::vector<Range>, kLevels> levels_;
};

}  // namespace kornmill
