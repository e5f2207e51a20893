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

  // Writes what the format can still take; at its end (4 GiB) the rest of the
  // block is left out and at_size_limit() holds.
  size_t Write(const float* data, size_t samples) override;
  void Close() override;
  bool at_size_limit() const override { return at_limit_; }
  std::string last_error() const override;

 private:
  std::optional<audio::Soundfile> file_;
  bool at_limit_ = false;
};

}  // namespace kornmill
