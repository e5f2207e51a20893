// Creating output soundfiles with the sound-file library and appending blocks to them.
#include "output/wav_block_writer.h"

#include <algorithm>
#include <stdexcept>

namespace kornmill {

WavBlockWriter::WavBlockWriter(audio::Soundfile file) : file_(std::move(file)) {}

WavBlockWriter::~WavBlockWriter() {
  Close();
}

void WavBlockWriter::Close() {
  file_.reset();
}

size_t WavBlockWriter::Write(const float* data, size_t samples) {
  // Called inside the block fill: failures are short writes, never exceptions.
  if (!file_ || !file_->encoder) return 0;
  audio::AudioEncoder& encoder = *file_->encoder;
  const uint64_t room =
      uint64_t(std::max<int64_t>(encoder.frames_left(), 0)) * encoder.format().channels;
  if (room < samples) {
    at_limit_ = true;
    samples = static_cast<size_t>(room);
    if (samples == 0) return 0;
  }
  return encoder.write(data, samples);
}

std::string WavBlockWriter::last_error() const {
  return file_ && file_->encoder ? file_->encoder->last_error() : std::string();
}

WriterFactory DefaultWriterFactory() {
  return [](const std::string& path, const WaveFormat& format) -> std::unique_ptr<BlockWriter> {
    const audio::WaveFormat wave =
        audio::MakeWaveFormat(format.rate, static_cast<uint16_t>(format.channels), format.width);
    std::optional<audio::Soundfile> slot;
    std::string status;
    if (!audio::OpenOutputSoundfile(slot, path, wave, status)) {
      while (!status.empty() && status.back() == '\n') status.pop_back();
      throw std::runtime_error(status);
    }
    return std::make_unique<WavBlockWriter>(std::move(*slot));
  };
}

}  // namespace kornmill
