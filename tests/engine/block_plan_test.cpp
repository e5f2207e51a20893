// Planning a block and rendering grain by grain gives the step-at-a-time sums, for every block
// length and thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "engine_fixture.h"

namespace kornmill {
namespace {

using test::EngineFixture;
using test::Fingerprint;

struct Scene {
  Interpolation interp;
  bool stereo;
  int block;
};

class BlockPlanTest : public EngineFixture {
 protected:
  void SetUp() override {
    source = test::MakeSound(
        20000, 2, 44100,
        [](int f, int c) {
          const double env = 0.1 + 0.9 * std::fabs(std::sin(f * 0.0007));
          return float(env * std::sin(f * (c ? 0.047 : 0.019) + 0.3 * c));
        },
        44100);
  }

  void Start(const Scene& s, int mask) {
    Setup(44100, s.stereo, s.block);
    UseSound(source.get());
    stream().input_mask = mask;
    engine->set_interpolation(s.interp);
    if (after_setup) after_setup();
  }

  // Takes `frames` frames: whole blocks, then the frames wanted of them. Events
  // between two takes fall on the same frame for every block length that
  // divides kEventFrame.
  std::vector<float> Take(int frames, bool stereo) {
    const size_t want = static_cast<size_t>(frames) * (stereo ? 2 : 1);
    std::vector<float> all;
    while (all.size() < want) {
      RenderBlock();
      all.insert(all.end(), out.begin(), out.end());
    }
    all.resize(want);
    return all;
  }
  static constexpr int kEventFrame = 25600;  // a multiple of 8, 100, 256 and 1024

  // Short grains of many lengths: starts and ends fall on every frame of a step,
  // attacks and decays begin and run out mid-block, hard sync starts grains at
  // step starts, a soft stop cuts everything near the end.
  std::vector<float> ShortGrains(const Scene& s, int mask) {
    Start(s, mask);
    const std::pair<int, int> settings[] = {
        {kLoopStart, 1200}, {kLoopStartRnd, 200}, {kLoopLength, 90},  {kLoopLengthRnd, 200},
        {kRate, 2500},      {kGrainFreq, 15900},  {kGrainFreqRnd, 90}, {kGrainLength, 160},
        {kGrainLengthRnd, 250}, {kGrainLengthAm, -60}, {kPitch, 6500}, {kPitchRnd, 90},
        {kGliss, 700},      {kGlissRnd, 200},     {kAttack, 90},      {kAttackRnd, 200},
        {kDecay, 200},      {kDecayRnd, 250},     {kAmp, 200},        {kAmpAm, -200},
        {kPanRnd, 256},     {kPanRndAm, 120},     {kPan, -30}};
    for (auto [k, v] : settings) Set(k, v);
    stream().hard_sync = 1;
    Play();
    auto all = Take(kEventFrame, s.stereo);
    engine->SoftStopGrains(700);
    auto rest = Take(4000, s.stereo);
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  }

  // Grains longer than a second, whose gains follow an amplitude glide at
  // every control update while new ones start between the updates; then the
  // stream's input channels change under the sounding grains, and a soft stop
  // shortens their envelopes.
  std::vector<float> LongGrains(const Scene& s, int mask) {
    Start(s, mask);
    const std::pair<int, int> settings[] = {{kGrainFreq, 12500},  {kGrainLength, 1050},
                                            {kGrainLengthRnd, 40}, {kPitchRnd, 60},
                                            {kAttack, 10},        {kDecay, 30},
                                            {kAmp, 700},          {kPanRnd, 200}};
    for (auto [k, v] : settings) Set(k, v);
    Play();
    auto all = Take(kEventFrame, s.stereo);
    streams.set_change_time(3);
    SetControlTarget(streams, kAmp, 60, false, 44100, engine->frame_clock());
    auto more = Take(kEventFrame, s.stereo);
    all.insert(all.end(), more.begin(), more.end());
    stream().input_mask = mask == kInputBoth ? kInputRight : kInputBoth;
    auto switched = Take(kEventFrame, s.stereo);
    all.insert(all.end(), switched.begin(), switched.end());
    engine->SoftStopGrains(3000);
    auto rest = Take(6000, s.stereo);
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  }

  std::unique_ptr<Sound> source;
  std::function<void()> after_setup;  // engine settings for each fresh engine
};

struct Pinned {
  Interpolation interp;
  bool stereo;
  int mask;
  uint64_t short_grains, long_grains;
};

// The step-at-a-time engine's renders of the two scenes, for every renderer,
// mono and stereo output, and one channel or a pair.
constexpr Pinned kPinned[] = {
    {Interpolation::kLinear, true, kInputLeft, 0x3fdaca3fc30edf05ull, 0xcb30cf3662d76867ull},
    {Interpolation::kLinear, true, kInputBoth, 0xdc225ad3db79b686ull, 0x39930b07a8983d86ull},
    {Interpolation::kLinear, false, kInputLeft, 0x0dd4fd67c3c12be4ull, 0x44381b0fd054fd78ull},
    {Interpolation::kLinear, false, kInputBoth, 0xce26a8ba03fb6409ull, 0x31f176b8265c77c7ull},
    {Interpolation::kCubic, true, kInputLeft, 0xf69a5a38ff19f7adull, 0x5b5ac03ade75bbc7ull},
    {Interpolation::kCubic, true, kInputBoth, 0x9b8a765b39b489adull, 0x54ac1be0c6635010ull},
    {Interpolation::kCubic, false, kInputLeft, 0x1108fa5a6dcc372dull, 0x7c2ede4b6fc79a42ull},
    {Interpolation::kCubic, false, kInputBoth, 0x6f71ef3090102531ull, 0x5da2cff064c536e5ull},
    {Interpolation::kSpline, true, kInputLeft, 0xf09324923b7797ddull, 0x841d600d8bcca79eull},
    {Interpolation::kSpline, true, kInputBoth, 0x0279b4a66dd38f37ull, 0xa2662a100d18b588ull},
    {Interpolation::kSpline, false, kInputLeft, 0xca944071286c4dc2ull, 0xd27a36dcaa1460f9ull},
    {Interpolation::kSpline, false, kInputBoth, 0x40a9676da6bf6f82ull, 0x045f23c2229d4bcaull},
};

std::string Name(const Pinned& p, int block, int threads) {
  const char* interp[] = {"linear", "cubic", "spline"};
  return std::string(interp[static_cast<int>(p.interp)]) + (p.stereo ? " stereo" : " mono") +
         (p.mask == kInputBoth ? " pair" : "") + ", block " + std::to_string(block) + ", " +
         std::to_string(threads) + " threads";
}

TEST_F(BlockPlanTest, EveryBlockLengthAndThreadCountGivesTheStepAtATimeSamples) {
  for (const Pinned& p : kPinned) {
    // Block 8 plans and renders one step at a time.
    for (int block : {8, 100, 256, 1024}) {
      for (int threads : {1, 2, 3}) {
        if (block == 8 && threads > 1) continue;
        const Scene s{p.interp, p.stereo, block};
        after_setup = [&] {
          engine->set_render_threads(threads);
          EngineTestAccess::ShareEveryBlock(*engine);  // even blocks with few grains
        };
        EXPECT_EQ(Fingerprint(ShortGrains(s, p.mask)), p.short_grains) << Name(p, block, threads);
        EXPECT_EQ(Fingerprint(LongGrains(s, p.mask)), p.long_grains) << Name(p, block, threads);
      }
    }
  }
}

TEST_F(BlockPlanTest, EveryKernelGivesTheSameSamples) {
  const GrainKernels* kernels[] = {&ScalarGrainKernels(), Avx2GrainKernels(),
                                   Avx512GrainKernels()};
  const char* names[] = {"one frame", "AVX2", "AVX-512"};
  for (int k = 0; k < 3; ++k) {
    if (!kernels[k]) continue;  // not on this processor
    for (const Pinned& p : kPinned) {
      const Scene s{p.interp, p.stereo, 256};
      after_setup = [&] { EngineTestAccess::UseKernels(*engine, kernels[k]); };
      EXPECT_EQ(Fingerprint(ShortGrains(s, p.mask)), p.short_grains) << names[k] << " " << Name(p, 256, 1);
      EXPECT_EQ(Fingerprint(LongGrains(s, p.mask)), p.long_grains) << names[k] << " " << Name(p, 256, 1);
    }
  }
}

}  // namespace
}  // namespace kornmill
