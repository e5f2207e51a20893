// Output soundfiles through the sound-file library's WAV encoder.
#pragma once

#include <optional>

#include "output/block_writer.h"
#include "soundfile/soundfile.h"

namespace kornmill {

// One open output soundfile: a WAV file over a growing mapped file. Main thread only.
class WavBlockWriter final : public BlockWriter {
 public:
  explicit WavBlockWriter(audio::Soundfile file) : file_(std::move(file)) {}
  ~WavBlockWriter() override { Close(); }

  size_t Write(const float* data, size_t samples) override;
  void Close() override { file_.reset(); }

 private:
  std::optional<audio::Soundfile> file_;
};

}  // namespace kornmill
