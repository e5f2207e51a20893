// The renderers: interpolation delays, block lengths, channel masks, mono output and silence.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_fixture.h"

namespace kornmill {
namespace {

using test::EngineFixture;

float Noise(int f) {
  return float(std::sin(f * 0.37) * 0.5 + std::sin(f * 0.011) * 0.3);
}

class RenderTest : public EngineFixture {
 protected:
  std::vector<float> RenderWith(Interpolation i, Sound* s, int blocks) {
    Setup(44100, true, 256);
    UseSound(s);
    engine->set_interpolation(i);
    Play();
    return Render(blocks);
  }
};

TEST_F(RenderTest, CubicSoundsOneFrameLaterAndSplineTwoFramesLaterThanLinear) {
  constexpr int kFrames = 8192;
  auto base = test::MakeSound(
      kFrames, 1, 44100, [](int f, int) { return Noise(f); }, 44100);
  auto ahead1 = test::MakeSound(
      kFrames, 1, 44100, [](int f, int) { return Noise((f + 1) % kFrames); }, 44100);
  auto ahead2 = test::MakeSound(
      kFrames, 1, 44100, [](int f, int) { return Noise((f + 2) % kFrames); }, 44100);
  const auto cubic = RenderWith(Interpolation::kCubic, base.get(), 20);
  const auto spline = RenderWith(Interpolation::kSpline, base.get(), 20);
  EXPECT_EQ(cubic, RenderWith(Interpolation::kLinear, ahead1.get(), 20));
  EXPECT_EQ(spline, RenderWith(Interpolation::kLinear, ahead2.get(), 20));
}

TEST_F(RenderTest, BlockLengthDoesNotChangeTheSound) {
  Setup(44100, true, 256);
  Play();
  const auto reference = Render(16);  // 4096 frames
  for (int block : {4, 12, 100, 1024}) {
    Engine fresh;
    fresh.SetOutputFormat(44100, true, block);
    StreamTable st;
    st.InitStreams(&fresh.sine());
    fresh.PrepareForPlay(st, true);
    std::vector<float> all, buf(static_cast<size_t>(block) * 2);
    while (all.size() < reference.size()) {
      fresh.RenderNextBlock(buf.data(), st);
      all.insert(all.end(), buf.begin(), buf.end());
    }
    all.resize(reference.size());
    EXPECT_EQ(all, reference) << "block " << block;
  }
}

// A side job runs once, with the next block, whether the block is shared between threads or
// rendered on one, and changes no sample; a cleared one never runs.
TEST_F(RenderTest, ASideJobRunsOnceWithTheNextBlock) {
  auto count = [](void* runs) { ++*static_cast<int*>(runs); };
  for (int threads : {1, 2, 3}) {
    auto start = [&] {
      Setup(44100, true, 1024);
      engine->set_render_threads(threads);
      EngineTestAccess::ShareEveryBlock(*engine);
      Play();
    };
    start();
    const auto reference = Render(6);
    start();
    int runs = 0;
    std::vector<float> all;
    for (int b = 0; b < 6; ++b) {
      if (b % 2 == 0) engine->set_side_job(count, &runs);
      if (b == 4) engine->set_side_job(nullptr, nullptr);
      RenderBlock();
      all.insert(all.end(), out.begin(), out.end());
      EXPECT_EQ(runs, b < 4 ? b / 2 + 1 : 2) << threads << " threads, block " << b;
    }
    EXPECT_EQ(all, reference) << threads << " threads";
  }
}

TEST_F(RenderTest, MonoOutputIsTheLeftChannelOfTheStereoMix) {
  Set(kPanRnd, 200);
  Play();
  const auto stereo = Render(30);
  Setup(44100, false, 256);
  Set(kPanRnd, 200);
  Play();
  const auto mono = Render(30);
  ASSERT_EQ(mono.size() * 2, stereo.size());
  for (size_t i = 0; i < mono.size(); ++i) ASSERT_EQ(mono[i], stereo[2 * i]) << i;
}

TEST_F(RenderTest, BothChannelsOfAStereoSoundGoLeftAndRight) {
  auto pair = test::MakeSound(
      8192, 2, 44100, [](int, int c) { return c == 0 ? 0.5f : -0.5f; }, 44100);
  UseSound(pair.get());
  EXPECT_EQ(stream().input_mask, kInputBoth);
  Play();
  RenderBlock();
  EXPECT_GT(out[200], 0.0f);
  EXPECT_LT(out[201], 0.0f);
  EXPECT_EQ(out[200], -out[201]);
  stream().input_mask = kInputRight;  // both sides read the second channel
  Setup(44100, true, 256);
  UseSound(pair.get());
  stream().input_mask = kInputRight;
  Play();
  RenderBlock();
  EXPECT_LT(out[200], 0.0f);
  EXPECT_LT(out[201], 0.0f);
}

TEST_F(RenderTest, MonoOutputOfAStereoPairMixesBothChannels) {
  auto pair = test::MakeSound(
      8192, 2, 44100, [](int, int c) { return c == 0 ? 0.5f : -0.5f; }, 44100);
  Setup(44100, false, 256);
  UseSound(pair.get());
  Play();
  RenderBlock();
  for (float v : out) EXPECT_EQ(v, 0.0f);  // equal parts of +0.5 and -0.5
}

TEST_F(RenderTest, TheSecondChannelMaskOnAMonoSoundReadsOneFrameLater) {
  constexpr int kFrames = 8192;
  auto base = test::MakeSound(
      kFrames, 1, 44100, [](int f, int) { return Noise(f); }, 44100);
  auto ahead = test::MakeSound(
      kFrames, 1, 44100, [](int f, int) { return Noise((f + 1) % kFrames); }, 44100);
  Setup(44100, true, 256);
  UseSound(base.get());
  stream().input_mask = kInputRight;
  engine->set_interpolation(Interpolation::kLinear);
  Play();
  const auto shifted = Render(10);
  EXPECT_EQ(shifted, RenderWith(Interpolation::kLinear, ahead.get(), 10));
}

TEST_F(RenderTest, AStreamThatIsNotPlayingGivesSilence) {
  Play();
  RenderBlock();
  stream().state = kStreamReplacingSound;
  RenderBlock();
  for (float v : out) EXPECT_EQ(v, 0.0f);
  stream().state = kStreamActive;
  RenderBlock();
  float peak = 0;
  for (float v : out) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.1f);
}

TEST_F(RenderTest, GlissandoBendsTheGrainUpward) {
  NoEnvelope();
  Set(kGliss, 2048);  // four octaves over the grain
  Play();
  RenderBlock();
  const Grain* g = pool().first_active();
  ASSERT_NE(g, nullptr);
  EXPECT_GT(g->glissando, 0.0f);
  // inc1 = 2^4 × inc0 over the grain's 4415 frames.
  const double inc0 = 32768.0 * 2048 / engine->sine().rate_ratio;
  EXPECT_NEAR(g->glissando, (16 * inc0 - inc0) / 4415, 0.5);
}

}  // namespace
}  // namespace kornmill
