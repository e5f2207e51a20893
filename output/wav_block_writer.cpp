// Creating output soundfiles with the sound-file library and appending blocks to them.
#include "output/wav_block_writer.h"

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
  return file_->encoder->write(data, samples);
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
