// The grain kernels alone: one grain rendered over runs of a block, for each kernel set,
// interpolation and envelope stage, to see what a grain-frame costs without the engine around it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/engine.h"
#include "engine/grain_kernel.h"

namespace kornmill {
namespace {

constexpr uint32_t kRate = 44100;
constexpr int kRunFrames = 256;
constexpr int kSourceFrames = kRate * 10;

struct Source {
  Source() {
    sound.frame_count = kSourceFrames;
    sound.channels = 1;
    sound.frame_rate = kRate;
    sound.position_scale = PositionScale(kSourceFrames, 1);
    const int guard = GuardFrameCount(sound.position_scale, kSourceFrames);
    sound.samples.resize(size_t(kSourceFrames + guard) + 1);
    for (int f = 0; f < kSourceFrames; ++f) sound.samples[size_t(f)] = float(0.5 * std::sin(f * 0.031));
    FillGuard(sound, guard);
  }
  Sound sound;
};

enum Stage { kAttack, kSustain, kDecay };

const GrainKernels* KernelSet(int which) {
  switch (which) {
    case 0:
      return &ScalarGrainKernels();
    case 1:
      return Avx2GrainKernels();
    default:
      return Avx512GrainKernels();
  }
}

// Renders one grain of 0.1 s at unit pitch, stage by stage, into a stereo block.
void Kernel(benchmark::State& state, int which, Interpolation interp, Stage stage) {
  const GrainKernels* kernels = KernelSet(which);
  if (!kernels) {
    state.SkipWithError("not on this processor");
    return;
  }
  static const Source source;
  std::vector<float> envelope(8292, 1.0f);
  for (int i = 0; i < 8192; ++i) envelope[size_t(i)] = float(0.5 - 0.5 * std::cos(i * 3.14159 / 8192));
  const int32_t unit = static_cast<int32_t>(std::lround(source.sound.position_scale));
  const GrainVoice voice = MakeGrainVoice(source.sound, kInputLeft, unit, 0.0f,
                                          (1 << 28) / 2205, (1 << 28) / 2205, 1.0f / 32768,
                                          envelope.data());
  const GrainKernel kernel = kernels->Get(interp, MixMode::kStereo);
  std::vector<float> block(kRunFrames * 2, 0.0f);
  GrainRun run{block.data(), kRunFrames, stage == kDecay, 0.5, 0.5};
  uint32_t position = 12345;
  int64_t frames = 0;
  for (auto _ : state) {
    GrainCursor c{position, 100, stage == kAttack ? 0 : int32_t(1 << 28), int32_t(kPositionMask)};
    kernel(c, voice, run);
    position = (position + 7919u * 4096u) & kPositionMask;  // another place next time
    frames += kRunFrames;
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["grain_frames_per_s"] =
      benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

#define KORNMILL_KERNELS(which, name)                                                       \
  BENCHMARK_CAPTURE(Kernel, name##_linear_attack, which, Interpolation::kLinear, kAttack);  \
  BENCHMARK_CAPTURE(Kernel, name##_cubic_attack, which, Interpolation::kCubic, kAttack);    \
  BENCHMARK_CAPTURE(Kernel, name##_cubic_sustain, which, Interpolation::kCubic, kSustain);  \
  BENCHMARK_CAPTURE(Kernel, name##_cubic_decay, which, Interpolation::kCubic, kDecay);      \
  BENCHMARK_CAPTURE(Kernel, name##_spline_attack, which, Interpolation::kSpline, kAttack);

KORNMILL_KERNELS(0, scalar)
KORNMILL_KERNELS(1, avx2)
KORNMILL_KERNELS(2, avx512)

}  // namespace
}  // namespace kornmill

BENCHMARK_MAIN();
