// Output soundfiles through the sound-file library's WAV encoder.
#pragma once

#include <cstdint>
#include <optional>

#include "output/block_writer.h"
#include "soundfile/soundfile.h"

namespace kornmill {

// One open output soundfile: a WAV file over a growing mapped file. The mapped
// file gives every byte it maps disk space first, so a full disk is a short
// write here, never a signal. Main thread only.
class WavBlockWriter final : public BlockWriter {
 public:
  explicit WavBlockWriter(audio::Soundfile file);
  ~WavBlockWriter() override;

  size_t Write(const float* data, size_t samples) override;
  void Close() override;

 private:
  std::optional<audio::Soundfile> file_;
};

}  // namespace kornmill
