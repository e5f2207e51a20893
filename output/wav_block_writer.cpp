// Creating output soundfiles with the sound-file library and appending blocks to them.
#include "output/wav_block_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kornmill {

namespace {

constexpr uint64_t kHeaderBytes = 44;
constexpr uint64_t kReserveAhead = 256 * 1024;

// Space for `bytes` from the start of the file, without changing its size.
// 0, ENOSPC, or another error (a file system that cannot reserve).
int ReserveSpace(int fd, uint64_t bytes) {
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0) return 0;
  return errno;
}

}  // namespace

WavBlockWriter::WavBlockWriter(audio::Soundfile file, int reserve_fd, int sample_width)
    : file_(std::move(file)), fd_(reserve_fd), width_(sample_width) {}

WavBlockWriter::~WavBlockWriter() {
  Close();
}

void WavBlockWriter::Close() {
  file_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool WavBlockWriter::Reserve(uint64_t bytes) {
  if (fd_ < 0 || bytes <= reserved_) return true;
  int err = ReserveSpace(fd_, bytes + kReserveAhead);
  if (err == 0) {
    reserved_ = bytes + kReserveAhead;
    return true;
  }
  if (err == ENOSPC) err = ReserveSpace(fd_, bytes);
  if (err == 0) {
    reserved_ = bytes;
    return true;
  }
  if (err == ENOSPC || err == EDQUOT) return false;
  // The file system cannot reserve space (no fallocate): write unguarded.
  ::close(fd_);
  fd_ = -1;
  return true;
}

size_t WavBlockWriter::Write(const float* data, size_t samples) {
  // Called inside the block fill: failures are short writes, never exceptions.
  if (!file_ || !file_->encoder) return 0;
  if (!Reserve(kHeaderBytes + (written_ + samples) * static_cast<uint64_t>(width_))) return 0;
  const size_t n = file_->encoder->write(data, samples);
  written_ += n;
  return n;
}

WriterFactory DefaultWriterFactory() {
  return [](const std::string& path, const WaveFormat& format) -> std::unique_ptr<BlockWriter> {
    const std::string failed = "Could not open \"" + path + "\" for output.\n";
    // The header's page must have room too before the library maps it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && ReserveSpace(fd, 4096) == ENOSPC) {
      ::close(fd);
      throw std::runtime_error(failed + std::strerror(ENOSPC));
    }
    const audio::WaveFormat wave =
        audio::MakeWaveFormat(format.rate, static_cast<uint16_t>(format.channels), format.width);
    std::optional<audio::Soundfile> slot;
    std::string status;
    if (!audio::OpenOutputSoundfile(slot, path, wave, status)) {
      if (fd >= 0) ::close(fd);
      while (!status.empty() && status.back() == '\n') status.pop_back();
      throw std::runtime_error(status);
    }
    return std::make_unique<WavBlockWriter>(std::move(*slot), fd, format.width);
  };
}

}  // namespace kornmill
