// Output soundfiles through the sound-file library's WAV encoder, with disk space reserved ahead of
// each block.
#pragma once

#include <cstdint>
#include <optional>

#include "output/block_writer.h"
#include "soundfile/soundfile.h"

namespace kornmill {

// One open output soundfile: a WAV file over a growing mapped file. Writing a
// page of a mapping that the file system has no room for kills the program
// (SIGBUS), so the blocks a write is about to touch are reserved first; a file
// system that is full gives a short write instead. Main thread only.
class WavBlockWriter final : public BlockWriter {
 public:
  // `reserve_fd` is a descriptor of the same file (owned from now on), -1 for none.
  WavBlockWriter(audio::Soundfile file, int reserve_fd, int sample_width);
  ~WavBlockWriter() override;

  size_t Write(const float* data, size_t samples) override;
  void Close() override;

 private:
  // Makes sure the file system holds `bytes` bytes of the file; false when full.
  bool Reserve(uint64_t bytes);

  std::optional<audio::Soundfile> file_;
  int fd_ = -1;
  int width_ = 2;
  uint64_t written_ = 0;   // samples appended so far
  uint64_t reserved_ = 0;  // bytes known to be backed by the file system
};

}  // namespace kornmill
