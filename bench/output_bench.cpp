// Speed of the output block path: 10 s of the default patch rendered through Play and the block
// ring, as a multiple of real time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/audio_output.h"
#include "output/render/offline_device.h"
#include "output/render/render_job.h"

namespace kornmill {
namespace {

constexpr double kSeconds = 10.0;

class QuietView final : public OutputView {
 public:
  void SetPlayButton(int, std::string_view, bool) override {}
  void SetRecordButtons(bool) override {}
  void ShowStatus(std::string_view) override {}
  void ShowError(std::string_view, std::string_view) override {}
  void ShowWarning(std::string_view) override {}
};

class CountingWaker final : public MainThreadWaker {
 public:
  void PostBlockDone(int) override { ++pending; }
  int pending = 0;
};

// Play, then one device pull and the main loop's answers per block, until 10 s
// of the defaults (44100 Hz stereo, 256-frame blocks, spline) are rendered.
void BM_BlockPathDefaults(benchmark::State& state) {
  for (auto _ : state) {
    Engine engine;
    StreamTable streams;
    streams.InitStreams(&engine.sine());
    QuietView view;
    CountingWaker waker;
    AudioOutput out(engine, streams, view, waker);
    auto devices = std::make_unique<OfflineDevices>();
    OfflineDevices* offline = devices.get();
    out.set_device_provider(std::move(devices));
    out.config().selected_device = 0;
    out.config().sample_rate = 44100;
    out.InitAudioOutput("/tmp", "/tmp");
    const int32_t frames = static_cast<int32_t>(kSeconds * 44100);
    out.TogglePlay(kPlayFromButton);
    while (engine.frame_clock() < frames) {
      if (waker.pending > 0) {
        --waker.pending;
        out.OnBlockDone(0);
      } else {
        offline->device()->Pull();
      }
    }
    out.StopPlay();
    benchmark::DoNotOptimize(engine.grains_started());
  }
  state.counters["x_real_time"] =
      benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BlockPathDefaults)->Unit(benchmark::kMillisecond);

// What `kornmill-render --seconds 10 -o out.wav` does, file writing included.
void BM_RenderDefaultsToFile(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("kornmill-bench-" + std::to_string(::getpid()) + ".wav"))
                               .string();
  for (auto _ : state) {
    RenderJob job;
    RenderSummary sum = job.Run(ParseRenderArgs({"--seconds", "10", "-o", path}), {});
    benchmark::DoNotOptimize(sum.frames);
  }
  std::filesystem::remove(path);
  state.counters["x_real_time"] =
      benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderDefaultsToFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kornmill

BENCHMARK_MAIN();
