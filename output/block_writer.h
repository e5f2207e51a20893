// The output soundfile as the recorder sees it: a writer of interleaved float blocks.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "output/output_config.h"

namespace kornmill {

// An open output soundfile. Main thread only (called under the render lock).
class BlockWriter {
 public:
  virtual ~BlockWriter() = default;
  // Appends `samples` interleaved float samples, converting them to the file's
  // sample format; returns how many samples were written.
  virtual size_t Write(const float* data, size_t samples) = 0;
  // Makes the header and the length final. Never throws.
  virtual void Close() = 0;
  // After a short write: whether the file reached the largest size its format
  // allows (it is complete), and the reason for a failure ("" when unknown).
  virtual bool at_size_limit() const { return false; }
  virtual std::string last_error() const { return std::string(); }
};

// Creates a WAV file at a path; throws std::runtime_error with a reason for
// the user when it cannot.
using WriterFactory =
    std::function<std::unique_ptr<BlockWriter>(const std::string& path, const WaveFormat& format)>;

// WAV files written by the sound-file library (44-byte header; 16-bit, 24-bit
// or 32-bit float samples).
WriterFactory DefaultWriterFactory();

}  // namespace kornmill
