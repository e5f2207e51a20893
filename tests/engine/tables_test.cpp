// Envelope and pan tables, the built-in sine and the interpolation formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine.h"
#include "base/fixed_point.h"
#include "engine/grain_kernel.h"
#include "engine/interpolation.h"
#include "engine_access.h"

namespace kornmill {
namespace {

TEST(EngineTables, EnvelopeRisesFromZeroToOneWithAGuardOfOnes) {
  Engine e;
  const auto& env = EngineTestAccess::envelope(e);
  EXPECT_NEAR(env[0], 0.0f, 1e-12);
  EXPECT_FLOAT_EQ(env[4096], 0.5f);
  EXPECT_LT(env[8191], 1.0f);
  EXPECT_GT(env[8191], 0.99999f);
  for (int i = 1; i < kEnvelopeSize; ++i) ASSERT_GE(env[i], env[i - 1]) << i;
  for (int i = kEnvelopeSize; i < kEnvelopeSize + kEnvelopeGuard; ++i) EXPECT_EQ(env[i], 1.0f);
}

TEST(EngineTables, PanIsAConstantPowerQuarterSine) {
  Engine e;
  const auto& pan = EngineTestAccess::pan(e);
  EXPECT_EQ(pan[0], 0.0f);
  EXPECT_EQ(pan[4096], 0.70710677f);  // pan index 0: both sides
  // Fully left (+4095) and fully right (-4095).
  EXPECT_EQ(pan[4096 + 4095], pan[8191]);
  EXPECT_EQ(pan[4096 - 4095], pan[1]);
  EXPECT_NEAR(pan[8191] * pan[8191] + pan[1] * pan[1], 1.0, 1e-6);
}

TEST(BuiltinSine, PlaysFiveCyclesAt110Hz) {
  Engine e;
  e.SetOutputFormat(44100, true, 256);
  const Sound& s = e.sine();
  EXPECT_EQ(s.name, "Built-in 110 Hz sine");
  EXPECT_EQ(s.path, "Built-in 110 Hz sine");
  EXPECT_EQ(s.frame_count, 8192);
  EXPECT_EQ(s.channels, 1);
  EXPECT_EQ(s.frame_rate, 180225u);
  EXPECT_EQ(s.samples.size(), 8203u);
  EXPECT_EQ(s.position_scale, 32768.0f);
  EXPECT_EQ(s.position_scale_copy, 32768.0f);
  EXPECT_EQ(s.use_count, 1);
  EXPECT_NEAR(5.0 * s.frame_rate / s.frame_count, 110.0006, 1e-4);
  // The guard continues the waveform: frame 8192 + i equals frame i.
  for (int i = 0; i < 11; ++i) EXPECT_NEAR(s.samples[8192 + i], s.samples[i], 1e-5) << i;
  ASSERT_EQ(s.amp_table.size(), 8192u);
  for (float a : s.amp_table) ASSERT_EQ(a, 0.5f);
  EXPECT_EQ(s.onset_unit, 268435456u / 44100);
  EXPECT_EQ(s.rate_ratio, 44100u * 2048 / 180225);
}

TEST(Interpolation, FractionZeroReadsTheFrameItIsAnchoredTo) {
  const float ramp[] = {10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(Linear::Read(ramp, 1, 0.0f), 10.0f);  // x0
  EXPECT_EQ(Cubic::Read(ramp, 1, 0.0f), 11.0f);   // y1: one frame later
  EXPECT_EQ(Spline::Read(ramp, 1, 0.0f), 12.0f);  // p2: two frames later
}

TEST(Interpolation, LinearAndSplineAreExactOnALineAndAllReachTheNextPointAtOne) {
  const float ramp[] = {0, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(Linear::Read(ramp, 1, 0.25f), 0.25f);
  // The cubic is not exact on a line between its ends: 1 + t(2 + t(-3 + 2t)).
  EXPECT_EQ(Cubic::Read(ramp, 1, 0.25f), 1.34375f);
  EXPECT_EQ(Cubic::Read(ramp, 1, 1.0f), 2.0f);
  EXPECT_NEAR(Spline::Read(ramp, 1, 0.25f), 2.25f, 1e-6);
  EXPECT_NEAR(Spline::Read(ramp, 1, 1.0f), 3.0f, 1e-6);
  // Stride: the second channel of an interleaved pair.
  const float pairs[] = {0, 100, 1, 101, 2, 102, 3, 103, 4, 104, 5, 105};
  EXPECT_EQ(Linear::Read(pairs + 1, 2, 0.5f), 100.5f);
  EXPECT_EQ(Cubic::Read(pairs + 1, 2, 0.5f), 101.5f);
}

TEST(Interpolation, CubicFollowsItsFormulaInDouble) {
  const float y[] = {0.1f, -0.4f, 0.8f, 0.3f};
  const double y0 = y[0], y1 = y[1], y2 = y[2], y3 = y[3];
  const double c3 = static_cast<float>(((y1 - y0) + y3) - y2);
  const double t = 0.3f;
  const float want = static_cast<float>(y1 + t * ((y2 - y0) + t * (((y0 - y1) - c3) + t * c3)));
  EXPECT_EQ(Cubic::Read(y, 1, 0.3f), want);
}

TEST(FrameOf, GivesTheExactFrameAndRemainderForEvery28BitPosition) {
  auto voice = [](int32_t d) {
    GrainVoice v;
    v.divisor = d;
    v.divisor_d = d;
    v.reciprocal = 1.0 / d;
    return v;
  };
  // Every position for the sine's divisor, a sweep and every exact multiple for others.
  const GrainVoice sine = voice(32768);
  for (uint32_t n = 0; n <= kPositionMask; n += 1) {
    int32_t rest = 0;
    if (FrameOf(n, sine, rest) != n / 32768 || uint32_t(rest) != n % 32768) FAIL() << n;
  }
  for (int32_t d : {1, 2, 3, 7, 609, 6087, 32769, 65537, 89478485, 268435456}) {
    const GrainVoice v = voice(d);
    auto check = [&](uint32_t n) {
      int32_t rest = 0;
      ASSERT_EQ(FrameOf(n, v, rest), n / uint32_t(d)) << n << "/" << d;
      ASSERT_EQ(uint32_t(rest), n % uint32_t(d)) << n << "/" << d;
    };
    for (uint32_t n = 0; n <= kPositionMask - 9973; n += 9973) check(n);
    for (uint32_t q = 0; uint64_t{q} * uint32_t(d) <= kPositionMask; q += 1 + q / 64) {
      check(q * uint32_t(d));
      if (q > 0) check(q * uint32_t(d) - 1);
    }
    check(kPositionMask);
  }
}

}  // namespace
}  // namespace kornmill
