// The sound view's cost on the audio path: block render with the snapshot publisher off and on, at 1,000 grains.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "controls/stream.h"
#include "engine/engine.h"
#include "soundview/snapshot_publisher.h"

namespace kornmill {
namespace {

constexpr uint32_t kRate = 44100;
constexpr int kBlock = 256;
constexpr int kSourceSeconds = 10;
constexpr int kWarmUpBlocks = int(kRate) * 2 / kBlock;  // two seconds: the pool is full
constexpr int kDenseFreq = 16106;    // 1000 grains a second
constexpr int kDenseLength = 1024;   // of one second: 1000 sounding at once

std::unique_ptr<Sound> Source() {
  auto s = std::make_unique<Sound>();
  const int frames = kRate * kSourceSeconds;
  s->frame_count = frames;
  s->channels = 1;
  s->frame_rate = kRate;
  s->use_count = 1;
  s->position_scale = PositionScale(frames, 1);
  s->position_scale_copy = s->position_scale;
  const int guard = GuardFrameCount(s->position_scale, frames);
  s->samples.resize(size_t(frames + guard) + 1);
  for (int f = 0; f < frames; ++f) s->samples[f] = float(0.5 * std::sin(f * 0.031));
  FillGuard(*s, guard);
  BuildAmplitudeTable(*s);
  SetRateConstants(*s, kRate);
  return s;
}

// An engine playing 1,000 grains at once, warmed up.
struct DenseEngine {
  DenseEngine() : source(Source()), out(kBlock * 2) {
    engine.SetOutputFormat(kRate, true, kBlock);
    engine.set_interpolation(Interpolation::kSpline);
    streams.InitStreams(&engine.sine());
    streams[0].sound = source.get();
    streams[0].controls[kGrainFreq].target = kDenseFreq;
    streams[0].controls[kGrainLength].target = kDenseLength;
    engine.PrepareForPlay(streams, true);
    for (int b = 0; b < kWarmUpBlocks; ++b) engine.RenderNextBlock(out.data(), streams);
  }
  std::unique_ptr<Sound> source;
  Engine engine;
  StreamTable streams;
  std::vector<float> out;
};

// One block per iteration; range(0) = 1 publishes each block as the view does.
void BlockWithPublisher(benchmark::State& state) {
  DenseEngine d;
  SnapshotPublisher publisher;
  publisher.set_enabled(state.range(0) != 0);
  double grains = 0;
  for (auto _ : state) {
    d.engine.RenderNextBlock(d.out.data(), d.streams);
    publisher.Publish(d.engine, d.streams[0], d.out.data(), kBlock, 2, true);
    grains += d.engine.active_grains();
    // The view takes a snapshot now and then; taking one costs the writer nothing.
    publisher.Update();
  }
  state.counters["grains_at_once"] = grains / double(state.iterations());
}
BENCHMARK(BlockWithPublisher)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(3.0)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// The publishing step alone, on the same engine state (the difference the two above show).
void PublishOnly(benchmark::State& state) {
  DenseEngine d;
  SnapshotPublisher publisher;
  for (auto _ : state) {
    publisher.Publish(d.engine, d.streams[0], d.out.data(), kBlock, 2, true);
    publisher.Update();
  }
  state.counters["grains_at_once"] = d.engine.active_grains();
}
BENCHMARK(PublishOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kornmill

BENCHMARK_MAIN();
