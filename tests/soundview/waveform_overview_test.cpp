// The overview of known signals: square waves, silence, short sounds and the columns' frames.
#include <gtest/gtest.h>

#include <vector>

#include "soundview/waveform_overview.h"

namespace kornmill {
namespace {

using Overview = WaveformOverview;

TEST(WaveformOverview, FullScaleSquareGivesPlusMinusOneInEveryColumnAtEveryLevel) {
  const int frames = 44100 * 3;  // 32 frames a column: a 20-frame period fits in each
  std::vector<float> samples(static_cast<size_t>(frames) * 2);
  for (int f = 0; f < frames; ++f) {
    const float v = (f / 10) % 2 ? -1.0f : 1.0f;
    samples[f * 2] = v;
    samples[f * 2 + 1] = -v;
  }
  const Overview overview(samples.data(), frames, 2);
  for (int level = 0; level < Overview::kLevels; ++level) {
    ASSERT_EQ(overview.columns(level), Overview::kLevelColumns[level]);
    for (int c = 0; c < overview.columns(level); ++c) {
      for (int ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(overview.at(level, ch, c).min, -1.0f) << level << " " << c;
        EXPECT_EQ(overview.at(level, ch, c).max, 1.0f) << level << " " << c;
      }
    }
  }
}

TEST(WaveformOverview, SilenceGivesZeroAndAShortSoundOneColumnPerFrame) {
  const std::vector<float> silence(100000, 0.0f);
  const Overview quiet(silence.data(), 100000, 1);
  for (int c = 0; c < quiet.columns(0); ++c) {
    EXPECT_EQ(quiet.at(0, 0, c).min, 0.0f);
    EXPECT_EQ(quiet.at(0, 0, c).max, 0.0f);
  }
  const std::vector<float> ramp = {0.0f, 0.25f, 0.5f, -0.75f, 1.0f};
  const Overview small(ramp.data(), 5, 1);
  ASSERT_EQ(small.columns(0), 5);
  ASSERT_EQ(small.columns(2), 5);
  EXPECT_EQ(small.at(2, 0, 3).min, -0.75f);
  EXPECT_EQ(small.at(2, 0, 3).max, -0.75f);
}

TEST(WaveformOverview, ColumnsSplitTheFramesEvenlyAndTheLevelFitsTheWidth) {
  // 8192 frames, 4096 columns: column c holds frames 2c and 2c + 1.
  std::vector<float> samples(8192);
  for (int f = 0; f < 8192; ++f) samples[f] = static_cast<float>(f) / 8192.0f;
  const Overview overview(samples.data(), 8192, 1);
  EXPECT_EQ(overview.at(0, 0, 10).min, 20.0f / 8192.0f);
  EXPECT_EQ(overview.at(0, 0, 10).max, 21.0f / 8192.0f);
  EXPECT_EQ(overview.at(2, 0, 255).max, 8191.0f / 8192.0f);
  EXPECT_EQ(overview.LevelFor(200), 2);
  EXPECT_EQ(overview.LevelFor(256), 2);
  EXPECT_EQ(overview.LevelFor(257), 1);
  EXPECT_EQ(overview.LevelFor(1500), 0);
  EXPECT_EQ(overview.LevelFor(9000), 0);
}

}  // namespace
}  // namespace kornmill
