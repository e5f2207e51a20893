// libFuzzer target: open a soundfile from arbitrary bytes and read it, as the
// loader does. Built and run by scripts/fuzz-smoke (clang only).
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "soundfile/diagnostics.h"
#include "soundfile/soundfile.h"

namespace {

// The input lives in a memory file, opened by path like any soundfile.
struct MemoryFile {
  MemoryFile() {
    fd = memfd_create("kornmill-fuzz", MFD_CLOEXEC);
    path = "/proc/self/fd/" + std::to_string(fd);
    audio::SetDiagnosticSink([](std::string_view) {});
  }
  int fd;
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFile file;
  if (file.fd < 0) return 0;
  if (ftruncate(file.fd, 0) != 0) return 0;
  if (size > 0 && pwrite(file.fd, data, size, 0) != ssize_t(size)) return 0;
  try {
    const audio::Soundfile sf = audio::OpenSoundfile(file.path);
    audio::Decoder& d = *sf.decoder;
    const int64_t channels = std::max<int64_t>(1, sf.format.channels);
    // Counts may claim far more than the file holds: read at most 2^18 samples.
    const int64_t frames = std::min<int64_t>(d.frame_count(), (int64_t(1) << 18) / channels);
    std::vector<float> out(size_t(frames * channels) + 1);
    try {
      d.read(out.data(), frames);
    } catch (const std::exception&) {
    }
    try {
      if (frames > 2) d.read_frames(out.data(), frames / 2, frames - frames / 2);
      const audio::block b = d.get_block(0);
      if (b.size() > 0) out[0] = float(b.begin[b.size() - 1]);
    } catch (const std::exception&) {
    }
    std::ostringstream dump;
    d.dump_chunks(dump);
  } catch (const std::exception&) {
    // Every failure must be a documented exception, never a crash.
  }
  return 0;
}
