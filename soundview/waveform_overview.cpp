// Builds the min/max columns of a sound's overview, one pass over the samples per level.
#include "soundview/waveform_overview.h"

#include <algorithm>

#include "base/sound.h"

namespace kornmill {

WaveformOverview::WaveformOverview(const float* samples, int64_t frames, int channels)
    : frames_(std::max<int64_t>(frames, 0)), channels_(std::clamp(channels, 1, 2)) {
  for (int level = 0; level < kLevels; ++level) BuildLevel(level, samples);
}

std::shared_ptr<const WaveformOverview> WaveformOverview::Of(const Sound& sound) {
  return std::make_shared<WaveformOverview>(sound.samples.data(), sound.frame_count,
                                            sound.channels);
}

void WaveformOverview::BuildLevel(int level, const float* samples) {
  const int64_t columns = std::min<int64_t>(kLevelColumns[level], frames_);
  std::vector<Range>& out = levels_[level];
  out.assign(static_cast<size_t>(columns) * channels_, Range{});
  for (int64_t c = 0; c < columns; ++c) {
    const int64_t first = c * frames_ / columns;
    const int64_t end = (c + 1) * frames_ / columns;
    for (int ch = 0; ch < channels_; ++ch) {
      float lo = samples[first * channels_ + ch];
      float hi = lo;
      for (int64_t f = first + 1; f < end; ++f) {
        const float v = samples[f * channels_ + ch];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
      out[static_cast<size_t>(c) * channels_ + ch] = Range{lo, hi};
    }
  }
}

int WaveformOverview::LevelFor(int width) const {
  for (int level = kLevels - 1; level > 0; --level) {
    if (columns(level) >= width) return level;
  }
  return 0;
}

}  // namespace kornmill
