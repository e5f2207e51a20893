// Grain scheduling and the parameters a grain starts with.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine_fixture.h"

namespace kornmill {
namespace {

using test::EngineFixture;

// Records the frame clock at each control update (the pad's mix runs just before it).
class UpdateProbe : public GestureMix {
 public:
  explicit UpdateProbe(Engine& e) : engine_(e) {}
  bool active() const override { return true; }
  bool moved() const override { return true; }
  void clear_moved() override {}
  void Apply() override { clocks.push_back(engine_.frame_clock()); }
  std::vector<int> clocks;

 private:
  Engine& engine_;
};

TEST_F(EngineFixture, DefaultsPlayTwentyGrainsPerSecondOfAboutATenthOfASecond) {
  Play();
  RenderBlock();
  EXPECT_EQ(engine->grains_started(), 1u);  // the onset phase starts full: a grain at once
  ASSERT_EQ(engine->active_grains(), 1);
  const Grain* g = pool().first_active();
  // 44100 × 324² / 2^20 = 4414.99: 0.1001 s.
  EXPECT_EQ(g->remaining + 256, 4415);
  EXPECT_EQ(g->short_flag, 1);
  Render(44100 * 10 / 256);
  EXPECT_NEAR(double(engine->grains_started()), 200.0, 1.0);
  EXPECT_EQ(engine->active_grains(), 2);  // 20 × 0.1 s: about two at once
}

TEST_F(EngineFixture, ControlUpdateRunsOnTheFirstStepThenEvery104Frames) {
  Setup(44100, true, 100);  // blocks that do not line up with the updates
  UpdateProbe probe(*engine);
  engine->set_gesture_mix(&probe);
  Play();
  Render(6);
  ASSERT_GE(probe.clocks.size(), 5u);
  EXPECT_EQ(probe.clocks[0], 0);
  for (size_t i = 1; i < probe.clocks.size(); ++i)
    EXPECT_EQ(probe.clocks[i] - probe.clocks[i - 1], 104);
  engine->set_gesture_mix(nullptr);
}

TEST_F(EngineFixture, PlaySnapsTheControlsAndEachControlUpdateAdvancesTheGlides) {
  SetControlTarget(streams, kAttack, 30, false, 44100, 5000);
  Play();
  EXPECT_EQ(stream().onset_phase, kPhaseOne);
  EXPECT_EQ(stream().controls[kAttack].current, 30.0f);
  EXPECT_EQ(stream().controls[kAttack].end_time, 0);
  SetControlTarget(streams, kAmp, 1000, false, 44100, 0);
  RenderBlock();  // updates at frames 0, 104 and 208: three steps
  const ControlRecord& amp = stream().controls[kAmp];
  float expected = 461.0f;
  for (int i = 0; i < 3; ++i) expected = static_cast<float>(double(expected) + double(amp.step));
  EXPECT_EQ(amp.current, expected);
  EXPECT_EQ(stream().amplitude, static_cast<int>(expected));
}

TEST_F(EngineFixture, AnOnsetIncrementOfAFullCycleStartsOneGrainPerFrame) {
  auto fast = test::MakeSound(
      8192, 1, 44100, [](int f, int) { return float(std::sin(f * 0.01)); }, 44100);
  fast->onset_unit = 1u << 26;  // g0 = 2^26 × 20 grains: far above 2^28
  UseSound(fast.get());
  Set(kGrainLength, 13);  // short grains keep the pool small
  Play();
  RenderBlock();
  EXPECT_GE(stream().onset_increment, 1 << 28);
  EXPECT_EQ(engine->grains_started(), 256u);  // one per frame, not more
}

TEST_F(EngineFixture, AGrainStartingOnFrameJRendersTheRestOfItsStep) {
  auto dc = test::MakeSound(
      8192, 1, 44100, [](int, int) { return 0.5f; }, 44100);
  UseSound(dc.get());
  NoEnvelope();
  Play();
  UpdateControls();  // learn the onset increment
  const uint32_t inc = static_cast<uint32_t>(stream().onset_increment);
  const int j = 5;
  stream().onset_phase = kPhaseOne - j * inc;
  RenderBlock();
  for (int k = 0; k < j; ++k) EXPECT_EQ(out[2 * k], 0.0f) << k;
  for (int k = j; k < 8; ++k) EXPECT_GT(out[2 * k], 0.0f) << k;
  const Grain* g = pool().first_active();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->frame_counter, 256 - j);  // frames rendered so far
}

TEST_F(EngineFixture, AGrainEndsInTheStepItsCountRunsOut) {
  Play();
  RenderBlock();
  Grain* g = pool().first_active();
  ASSERT_NE(g, nullptr);
  g->remaining = 9;  // two more steps
  RenderBlock();
  EXPECT_EQ(engine->active_grains(), 0);
  EXPECT_EQ(engine->sine().live_grains, 0);
}

TEST_F(EngineFixture, PitchZeroFreezesTheGrainOnItsStartFrame) {
  auto ramp = test::MakeSound(
      8192, 1, 44100, [](int f, int) { return f / 8192.0f; }, 44100);
  UseSound(ramp.get());
  NoEnvelope();
  Set(kPitch, 0);
  Play();
  RenderBlock();
  for (int k = 1; k < 256; ++k) ASSERT_EQ(out[2 * k], out[0]) << k;
}

TEST_F(EngineFixture, NegativePitchReadsBackwards) {
  auto ramp = test::MakeSound(
      8192, 1, 44100, [](int f, int) { return 0.1f + f / 16384.0f; }, 44100);
  UseSound(ramp.get());
  NoEnvelope();
  Set(kLoopStart, 2048);  // start mid-sound
  Set(kPitch, -6144);
  Play();
  RenderBlock();
  const Grain* g = pool().first_active();
  EXPECT_EQ(g->increment, (1 << 28) - 32767);  // trunc(-32768 + 0.5), held modulo 2^28
  for (int k = 1; k < 200; ++k) ASSERT_LT(out[2 * k], out[2 * (k - 1)]) << k;
}

TEST_F(EngineFixture, NegativeLengthModulationNeverGoesBelowTenFrames) {
  auto dc = test::MakeSound(
      8192, 1, 44100, [](int, int) { return 0.5f; }, 44100);
  dc->amp_table.assign(dc->amp_table.size(), 1.0f);
  UseSound(dc.get());
  Set(kGrainLengthAm, -512);  // full source amplitude removes the whole length
  Play();
  UpdateControls();
  Grain* g = StartGrain();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->remaining, 10);
}

TEST_F(EngineFixture, LengthRandomnessOnShortGrainsCanAddTheWholeLengthAgain) {
  Setup(8000, true, 256);
  Set(kGrainLength, 13);  // L = 8000 × 169 / 2^20 = 1.29 frames
  Set(kGrainLengthRnd, 255);
  Play();
  UpdateControls();
  for (int i = 0; i < 50; ++i) {
    Grain* g = StartGrain();
    // round(L) = 1, d < 100 - L gets L added: len = trunc(1 + d + 1.29).
    EXPECT_GE(g->remaining, 2);
    EXPECT_LE(g->remaining, 1 + int(1.29 * 255 / 96 + 1.29) + 1);
  }
}

TEST_F(EngineFixture, LengthRandomnessAddsTheLengthOnlyBelowAHundredFrames) {
  Set(kGrainLength, 38);     // L = 44100 × 38² / 2^20 = 60.73 frames
  Set(kGrainLengthRnd, 96);  // d = k × 96 / 96 = k, a whole number from 0 to 60
  Play();
  UpdateControls();
  // len = trunc(61 + d), with L added while d < 100 - L = 39.27: d = 0..39
  // gives 121..160, d = 40..60 gives 101..121.
  int shortest = INT32_MAX, longest = 0;
  for (int i = 0; i < 3000; ++i) {
    Grain* g = StartGrain();
    ASSERT_NE(g, nullptr);
    shortest = std::min(shortest, g->remaining);
    longest = std::max(longest, g->remaining);
    --g->sound->live_grains;  // given back as the block's end would
    pool().Release(pool().header(), g);
    pool().add_active(-1);
  }
  EXPECT_EQ(shortest, 101);
  EXPECT_EQ(longest, 160);
}

TEST_F(EngineFixture, PanExtremesUseTheTableEnds) {
  Set(kPan, 256);  // fully left
  Play();
  UpdateControls();
  Grain* g = StartGrain();
  const float amp = static_cast<float>(461 * 0.001953125);
  EXPECT_EQ(g->left_gain, static_cast<float>(pan()[8191] * double(amp)));
  EXPECT_EQ(g->right_gain, static_cast<float>(pan()[1] * double(amp)));
  stream().controls[kPan].value = -256;  // fully right
  g = StartGrain();
  EXPECT_EQ(g->left_gain, static_cast<float>(pan()[1] * double(amp)));
  stream().controls[kPan].value = 0;
  g = StartGrain();
  EXPECT_EQ(g->left_gain, g->right_gain);
  EXPECT_EQ(g->left_gain, static_cast<float>(0.70710677f * double(amp)));
}

TEST_F(EngineFixture, HardSyncStartsAGrainAfterEveryLoopWrap) {
  Set(kLoopLength, 0);  // every step wraps with a positive rate
  Set(kGrainFreq, 25);  // regular onsets almost never
  stream().hard_sync = 1;
  Play();
  Render(4);  // 128 steps
  EXPECT_GE(engine->grains_started(), 127u);
  EXPECT_LE(engine->grains_started(), 129u);
}

TEST_F(EngineFixture, LoopLengthZeroKeepsMovingThroughTheSound) {
  Set(kLoopLength, 0);
  Play();
  Render(20);
  // The position never comes back: it runs on at the loop rate (mod 2^32).
  EXPECT_NE(stream().loop_position, 0);
}

TEST_F(EngineFixture, OutputIsClippedJustBelowFullScale) {
  auto dc = test::MakeSound(
      8192, 1, 44100, [](int, int) { return 1.0f; }, 44100);
  UseSound(dc.get());
  NoEnvelope();
  Set(kAmp, 1024);  // × 2
  Set(kPan, 256);
  Play();
  RenderBlock();
  EXPECT_EQ(out[0], 0.9999694228172302f);
  auto neg = test::MakeSound(
      8192, 1, 44100, [](int, int) { return -1.0f; }, 44100);
  Setup(44100, true, 256);
  UseSound(neg.get());
  NoEnvelope();
  Set(kAmp, 1024);
  Set(kPan, 256);
  Play();
  RenderBlock();
  EXPECT_EQ(out[0], -0.9999694228172302f);
}

TEST_F(EngineFixture, SoftStopFadesEveryLongGrainOverHalfASecond) {
  Set(kGrainLength, 4096);  // 16 s grains
  Play();
  RenderBlock();
  engine->SoftStopGrains(44100 / 2);
  EXPECT_TRUE(engine->stopping());
  const Grain* g = pool().first_active();
  EXPECT_EQ(g->remaining, 22050);
  EXPECT_EQ(g->decay_start, 22050);
  EXPECT_EQ(g->decay_decrement, (1 << 28) / 22050);
  const uint64_t started = engine->grains_started();
  Render(100);  // 25600 frames: long enough for every grain to fade
  EXPECT_EQ(engine->grains_started(), started);  // no grain starts while stopping
  EXPECT_EQ(engine->active_grains(), 0);
  for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST_F(EngineFixture, TheRenderPathNeverRunsOutOfGrainRecords) {
  Set(kGrainFreq, 16384);
  Set(kGrainLength, 4096);  // 2000 grains a second of 16 s
  Play();
  Render(200);
  EXPECT_GT(engine->active_grains(), 1000);
  EXPECT_EQ(uint64_t(engine->active_grains()), engine->grains_started());
  EXPECT_GE(pool().free_count(), 256);
}

}  // namespace
}  // namespace kornmill
