// libFuzzer target: load a soundfile from arbitrary bytes into a sound record, as the instrument
// does, under a memory budget. Built and run by scripts/fuzz-smoke (clang only), whose malloc limit
// turns any allocation far beyond the budget into a finding: the loader must check what a header
// claims against the file before it allocates.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "controls/stream.h"
#include "soundfile/diagnostics.h"
#include "soundfile/loader/sound_loader.h"

namespace {

// 256 MB of memory, 64 MB of it free: a sound needing more than 64 MB is asked
// about (and refused), one needing more than 256 MB is refused at once.
constexpr uint64_t kTotalBudget = uint64_t(256) << 20;
constexpr uint64_t kAvailableBudget = uint64_t(64) << 20;

// Answers Cancel to every memory question; keeps nothing.
class BudgetHost final : public kornmill::LoaderHost {
 public:
  void PostSoundLoaded(int, kornmill::Sound*) override {}
  void PostLoadFailed(std::string) override {}
  bool AskQuestion(const std::string&, const std::string&) override { return false; }
};

struct Loader {
  Loader() {
    fd = memfd_create("kornmill-loader-fuzz", MFD_CLOEXEC);
    path = "/proc/self/fd/" + std::to_string(fd);
    audio::SetDiagnosticSink([](std::string_view) {});
    sine.builtin = true;
    sine.channels = 1;
    sine.frame_count = 8192;
    streams.InitStreams(&sine);
  }
  int fd;
  std::string path;
  kornmill::Sound sine;
  kornmill::StreamTable streams;
  std::mutex render_lock;
  BudgetHost host;
  kornmill::SoundTable table{streams, render_lock, host, [] {
                               return kornmill::MemoryStatus{kTotalBudget, kAvailableBudget};
                             }};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Loader loader;
  if (loader.fd < 0) return 0;
  if (ftruncate(loader.fd, 0) != 0) return 0;
  if (size > 0 && pwrite(loader.fd, data, size, 0) != ssize_t(size)) return 0;
  // The loader thread's work, on this thread: every failure must be a status
  // text, never a crash, a sanitizer report or an allocation past the limit.
  kornmill::Sound& record = loader.table.record(0);
  record.path = loader.path;
  record.loading = true;
  loader.table.SoundLoaderThread(&record, 0);
  kornmill::SoundTable::FreeSound(record);
  return 0;
}
