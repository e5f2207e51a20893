// Loading a 60 s stereo 44.1 kHz WAV into memory: decoding alone, and the
// whole loader path (open, memory check, decode, guard, amplitude table).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/sound.h"
#include "controls/stream.h"
#include "soundfile/loader/sound_loader.h"
#include "soundfile/soundfile.h"

namespace kornmill {
namespace {

constexpr uint32_t kRate = 44100;
constexpr int kSeconds = 60;

// The benchmark's source files, written once with the library's own writer.
class SourceFiles {
 public:
  SourceFiles() {
    std::string templ = (std::filesystem::temp_directory_path() / "kornmill-bench-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) std::abort();
    dir_ = templ;
    Write(path(audio::formats::kInt16LE), audio::formats::kInt16LE);
    Write(path(audio::formats::kInt24LE), audio::formats::kInt24LE);
    Write(path(audio::formats::kFloat32LE), audio::formats::kFloat32LE);
  }
  ~SourceFiles() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(audio::SampleFormat f) const {
    return (dir_ / ("source_" + f.name() + ".wav")).string();
  }

 private:
  static void Write(const std::string& path, audio::SampleFormat f) {
    audio::Soundfile sf = audio::CreateSoundfile(path, kRate, 2, f);
    std::vector<float> block(2 * 4096);
    for (int frame = 0; frame < int(kRate) * kSeconds; frame += 4096) {
      for (int i = 0; i < 4096; ++i) {
        block[2 * size_t(i)] = float(0.5 * std::sin((frame + i) * 0.031));
        block[2 * size_t(i) + 1] = float(0.4 * std::sin((frame + i) * 0.017));
      }
      sf.encoder->write(block.data(), block.size());
    }
  }
  std::filesystem::path dir_;
};

const SourceFiles& Sources() {
  static SourceFiles files;
  return files;
}

void BM_OpenAndDecode(benchmark::State& state, audio::SampleFormat format) {
  const std::string path = Sources().path(format);
  std::vector<float> samples;
  for (auto _ : state) {
    const audio::Soundfile sf = audio::OpenSoundfile(path);
    const int64_t frames = sf.decoder->frame_count();
    samples.assign(size_t(frames) * sf.format.channels, 0.0f);
    sf.decoder->read(samples.data(), frames);
    benchmark::DoNotOptimize(samples.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kRate) * kSeconds * 2 *
                          format.bytes_per_sample());
}
BENCHMARK_CAPTURE(BM_OpenAndDecode, int16, audio::formats::kInt16LE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenAndDecode, int24, audio::formats::kInt24LE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenAndDecode, float32, audio::formats::kFloat32LE)
    ->Unit(benchmark::kMillisecond);

class BenchHost : public LoaderHost {
 public:
  void PostSoundLoaded(int, Sound* sound) override { loaded = sound; }
  void PostLoadFailed(std::string text) override { failed = std::move(text); }
  bool AskQuestion(const std::string&, const std::string&) override { return true; }
  Sound* loaded = nullptr;
  std::string failed;
};

// LoadSound on its worker thread, as from the menu, until the sound is posted.
void BM_LoadSound(benchmark::State& state) {
  const std::string path = Sources().path(audio::formats::kInt16LE);
  Sound sine;
  sine.builtin = true;
  sine.use_count = 1;
  StreamTable streams;
  streams.InitStreams(&sine);
  std::mutex render_lock;
  BenchHost host;
  SoundTable table(streams, render_lock, host);
  table.set_output_rate(kRate);
  for (auto _ : state) {
    host.loaded = nullptr;
    table.LoadSound(path);
    table.WaitForLoaders();
    if (host.loaded == nullptr) {
      state.SkipWithError(host.failed.c_str());
      break;
    }
    state.PauseTiming();
    SoundTable::FreeSound(*host.loaded);  // the next load reads the file again
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadSound)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kornmill
BENCHMARK_MAIN();
