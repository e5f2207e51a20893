// Renders 10 s of 44.1 kHz stereo from a 10 s source for each renderer at three densities.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "controls/stream.h"
#include "engine/engine.h"

namespace kornmill {
namespace {

constexpr uint32_t kRate = 44100;
constexpr int kBlock = 256;
constexpr int kSeconds = 10;

std::unique_ptr<Sound> TenSecondSource(int channels) {
  auto s = std::make_unique<Sound>();
  const int frames = kRate * kSeconds;
  s->frame_count = frames;
  s->channels = static_cast<int16_t>(channels);
  s->frame_rate = kRate;
  s->use_count = 1;
  s->position_scale = PositionScale(frames, channels);
  s->position_scale_copy = s->position_scale;
  const int guard = GuardFrameCount(s->position_scale, frames);
  s->samples.resize(size_t(frames + guard) * channels + 1);
  for (int f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c)
      s->samples[channels * f + c] = float(0.5 * std::sin(f * (0.031 - 0.002 * c)));
  }
  FillGuard(*s, guard);
  BuildAmplitudeTable(*s);
  SetRateConstants(*s, kRate);
  return s;
}

// Density: {grain frequency control, grain length control}.
struct Density {
  int freq;
  int length;
};
constexpr Density kDefaults{6062, 324};     // 20 per second of 0.1 s: 2 at once
constexpr Density kDense{16106, 324};       // 1000 per second of 0.1 s: 100 at once
constexpr Density kVeryDense{16106, 1024};  // 1000 per second of 1 s: 1000 at once

// A mono source, or a stereo one played as a pair (two readings per frame).
void RenderTenSeconds(benchmark::State& state, Interpolation interp, Density d, int channels) {
  auto source = TenSecondSource(channels);
  std::vector<float> out(kBlock * 2);
  double grain_frames = 0, frames = 0;
  for (auto _ : state) {
    Engine engine;
    engine.SetOutputFormat(kRate, true, kBlock);
    engine.set_interpolation(interp);
    StreamTable streams;
    streams.InitStreams(&engine.sine());
    streams[0].sound = source.get();
    streams[0].input_mask = channels == 2 ? kInputBoth : kInputLeft;
    streams[0].controls[kGrainFreq].target = d.freq;
    streams[0].controls[kGrainLength].target = d.length;
    engine.PrepareForPlay(streams, true);
    for (int b = 0; b < int(kRate) * kSeconds / kBlock; ++b) {
      engine.RenderNextBlock(out.data(), streams);
      grain_frames += double(engine.active_grains()) * kBlock;
      frames += kBlock;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["grain_frames_per_s"] =
      benchmark::Counter(grain_frames, benchmark::Counter::kIsRate);
  state.counters["realtime_x"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
  state.counters["grains_at_once"] = grain_frames / frames;
}

#define KORNMILL_DENSITIES(interp, name)                                           \
  BENCHMARK_CAPTURE(RenderTenSeconds, name##_defaults, interp, kDefaults, 1)       \
      ->Unit(benchmark::kMillisecond)                                              \
      ->Iterations(1);                                                             \
  BENCHMARK_CAPTURE(RenderTenSeconds, name##_dense, interp, kDense, 1)             \
      ->Unit(benchmark::kMillisecond)                                              \
      ->Iterations(1);                                                             \
  BENCHMARK_CAPTURE(RenderTenSeconds, name##_dense_stereo_pair, interp, kDense, 2) \
      ->Unit(benchmark::kMillisecond)                                              \
      ->Iterations(1);                                                             \
  BENCHMARK_CAPTURE(RenderTenSeconds, name##_very_dense, interp, kVeryDense, 1)    \
      ->Unit(benchmark::kMillisecond)                                              \
      ->Iterations(1);

KORNMILL_DENSITIES(Interpolation::kLinear, linear)
KORNMILL_DENSITIES(Interpolation::kCubic, cubic)
KORNMILL_DENSITIES(Interpolation::kSpline, spline)

}  // namespace
}  // namespace kornmill

BENCHMARK_MAIN();
