// The amplitude table: sizes, normalisation, the wrapped last entry, silent sources.
#include <gtest/gtest.h>

#include <cmath>

#include "test_sounds.h"

namespace kornmill {
namespace {

std::unique_ptr<Sound> Noise(int frames) {
  return test::MakeSound(
      frames, 1, 44100, [](int f, int) { return float(std::sin(f * 0.05) * (1 + f % 7)); }, 44100);
}

TEST(AmplitudeTable, HasOneEntryPerHundredFramesAndAtLeastTwenty) {
  EXPECT_EQ(Noise(100000)->amp_table.size(), 1001u);
  EXPECT_EQ(Noise(1999)->amp_table.size(), 20u);
  EXPECT_EQ(Noise(2000)->amp_table.size(), 21u);
  EXPECT_EQ(Noise(1900)->amp_table.size(), 20u);
  EXPECT_EQ(Noise(1899)->amp_table.size(), 20u);
  EXPECT_EQ(Noise(5)->amp_table.size(), 20u);
}

TEST(AmplitudeTable, IsNormalisedToOneAndEndsWithTheMeanAcrossTheWrap) {
  auto s = Noise(44100);
  const auto& t = s->amp_table;
  const size_t n = t.size();
  float peak = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    ASSERT_GE(t[i], 0.0f);
    ASSERT_LE(t[i], 1.0f);
    peak = std::max(peak, t[i]);
  }
  EXPECT_EQ(peak, 1.0f);
  EXPECT_EQ(t[n - 1], static_cast<float>((double(t[n - 2]) + t[0]) * 0.5));
}

TEST(AmplitudeTable, FollowsLoudness) {
  // Quiet first half, loud second half.
  auto s = test::MakeSound(
      88200, 1, 44100,
      [](int f, int) { return float((f < 44100 ? 0.1 : 0.9) * std::sin(f * 0.1)); }, 44100);
  const auto& t = s->amp_table;
  EXPECT_LT(t[300], 0.2f);
  EXPECT_GT(t[800], 0.9f);
}

TEST(AmplitudeTable, SilentSourceGivesFiniteZeros) {
  auto s = test::MakeSound(
      5000, 2, 44100, [](int, int) { return 0.0f; }, 44100);
  for (float a : s->amp_table) ASSERT_EQ(a, 0.0f);
}

TEST(AmplitudeTable, OnlyTheFirstChannelIsAnalysed) {
  auto a = test::MakeSound(
      5000, 2, 44100, [](int f, int c) { return c == 0 ? float(std::sin(f)) : 0.0f; }, 44100);
  auto b = test::MakeSound(
      5000, 2, 44100, [](int f, int c) { return c == 0 ? float(std::sin(f)) : 5.0f; }, 44100);
  EXPECT_EQ(a->amp_table, b->amp_table);
}

TEST(SoundGeometry, PositionScaleAndGuard) {
  EXPECT_EQ(PositionScale(8192, 1), 32768.0f);
  EXPECT_EQ(PositionScale(8192, 2), 32769.0f);  // a stereo sound gets 1 added
  // The guard covers every frame the six-point reader can reach.
  for (int frames : {1, 3, 7, 100, 8192, 44100, 1234567}) {
    for (int ch : {1, 2}) {
      const float s = PositionScale(frames, ch);
      const int sint = static_cast<int>(std::nearbyint(s));
      const int64_t last_frame = 268435455 / sint;
      EXPECT_GE(frames + GuardFrameCount(s, frames), last_frame + 6) << frames << "x" << ch;
    }
  }
}

TEST(SoundGeometry, GuardRepeatsShortSoundsCyclically) {
  auto s = test::MakeSound(
      3, 1, 44100, [](int f, int) { return float(f + 1); }, 44100);
  const int guard = GuardFrameCount(s->position_scale, 3);
  for (int i = 0; i < guard; ++i) EXPECT_EQ(s->samples[3 + i], float(i % 3 + 1));
}

}  // namespace
}  // namespace kornmill
