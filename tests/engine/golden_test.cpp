// Golden renders: a short, busy render per renderer is pinned bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine_fixture.h"

namespace kornmill {
namespace {

using test::EngineFixture;
using test::Fingerprint;

class GoldenTest : public EngineFixture {
 protected:
  // Every randomness and amplitude modulation in play, on a stereo source.
  std::vector<float> BusyRender(Interpolation interp, bool stereo) {
    source = test::MakeSound(
        30000, 2, 48000,
        [](int f, int c) {
          const double env = 0.2 + 0.8 * std::fabs(std::sin(f * 0.0004));
          return float(env * std::sin(f * (c ? 0.031 : 0.023) + c));
        },
        44100);
    Setup(44100, stereo, 256);
    if (scalar_kernels) EngineTestAccess::UseScalarKernels(*engine);
    if (threads > 1) {
      engine->set_render_threads(threads);
      EngineTestAccess::ShareEveryBlock(*engine);
    }
    UseSound(source.get());
    engine->set_interpolation(interp);
    const std::pair<int, int> settings[] = {
        {kLoopStart, 300},    {kLoopStartRnd, 40},   {kLoopLength, 500},
        {kLoopLengthRnd, 90}, {kRate, 3000},         {kRateAm, 200},
        {kGrainFreq, 12000},  {kGrainFreqRnd, 128},  {kGrainFreqAm, -150},
        {kGrainLength, 900},  {kGrainLengthRnd, 60}, {kGrainLengthAm, 100},
        {kPitch, 7000},       {kPitchRnd, 30},       {kPitchAm, -40},
        {kGliss, -300},       {kGlissRnd, 50},       {kGlissAm, 80},
        {kAttack, 60},        {kAttackRnd, 100},     {kDecay, 150},
        {kDecayRnd, 120},     {kAmp, 300},           {kAmpAm, 250},
        {kPanRnd, 180},       {kPanRndAm, -100},     {kPan, 40}};
    for (auto [k, v] : settings) Set(k, v);
    stream().hard_sync = 1;
    Play();
    auto all = Render(40);
    // A glide in the middle of the render.
    SetControlTarget(streams, kPitch, 5000, false, 44100, engine->frame_clock());
    auto more = Render(40);
    all.insert(all.end(), more.begin(), more.end());
    float peak = 0;
    for (float v : all) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);                    // a render worth pinning
    EXPECT_GT(engine->grains_started(), 45u);  // regular onsets and hard-sync wraps
    return all;
  }
  std::unique_ptr<Sound> source;
  bool scalar_kernels = false;
  int threads = 1;
};

TEST_F(GoldenTest, Linear) {
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kLinear, true)), 0x81d127483ebad5eaull);
}
TEST_F(GoldenTest, Cubic) {
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kCubic, true)), 0xf7de1e521b800e90ull);
}
TEST_F(GoldenTest, Spline) {
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, true)), 0x67897c4c61f18cd6ull);
}
TEST_F(GoldenTest, SplineMono) {
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, false)), 0xe2da318340cdffadull);
}
TEST_F(GoldenTest, TheOneFrameKernelsGiveTheSameSamples) {
  scalar_kernels = true;  // read by BusyRender's fresh engine
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kLinear, true)), 0x81d127483ebad5eaull);
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kCubic, true)), 0xf7de1e521b800e90ull);
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, true)), 0x67897c4c61f18cd6ull);
  EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, false)), 0xe2da318340cdffadull);
  scalar_kernels = false;
}

TEST_F(GoldenTest, EveryThreadCountGivesTheSameSamples) {
  for (int count : {1, 2, 3}) {
    threads = count;  // read by BusyRender's fresh engine
    SCOPED_TRACE(count);
    EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kLinear, true)), 0x81d127483ebad5eaull);
    EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kCubic, true)), 0xf7de1e521b800e90ull);
    EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, true)), 0x67897c4c61f18cd6ull);
    EXPECT_EQ(Fingerprint(BusyRender(Interpolation::kSpline, false)), 0xe2da318340cdffadull);
  }
  threads = 1;
}

TEST_F(GoldenTest, DefaultsOnTheBuiltinSine) {
  Play();
  EXPECT_EQ(Fingerprint(Render(100)), 0xe132e2e009ff3807ull);
}

}  // namespace
}  // namespace kornmill
