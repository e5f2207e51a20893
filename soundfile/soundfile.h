// The sound-file library: opening WAV, AIFF and AIFC files
// for reading (and anything else libsndfile reads), writing WAV
// files, and the decoders and encoder behind them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "soundfile/converters.h"
#include "soundfile/mapped_file.h"
#include "soundfile/sample_format.h"

namespace audio {

// "not enough data to read header": a `fmt ` (or `COMM`) chunk runs past the
// mapped header data.
class SoundfileError : public std::exception {
 public:
  explicit SoundfileError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A file that ends before the sound data its header announces: "the file ends
// after N of the M bytes of sound data its header announces".
class TruncatedFileError : public std::out_of_range {
 public:
  TruncatedFileError(int64_t have_bytes, int64_t announced_bytes);
};

namespace formats {
// "Unknown soundfile format": format detection found no decoder.
class FormatError : public std::exception {
 public:
  explicit FormatError(std::string message = "Unknown soundfile format")
      : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};
}  // namespace formats
using formats::FormatError;

// The reading side of an open soundfile. Sample positions count interleaved
// samples from the start of the sound data.
class Decoder {
 public:
  virtual ~Decoder() = default;
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Frames of sound data.
  virtual int64_t frame_count() const = 0;
  // A pointer range covering at least `count` samples from `first_sample`.
  virtual block get_block(int64_t first_sample, int64_t count) = 0;
  // A pointer range from `first_sample` of whatever length the buffer holds.
  virtual block get_block(int64_t first_sample) = 0;
  // One chunk line for the format chunk and one for the data chunk.
  virtual void dump_chunks(std::ostream& out) const = 0;
  // As get_block, counted in frames.
  virtual block get_frames(int64_t first_frame, int64_t frames);
  // File offset of the first sample (-1 when the data is not stored as such).
  virtual int64_t data_offset() const = 0;
  // Samples the file really holds, at most frame_count() × channels (fewer
  // when it ends before the data its header announces).
  virtual int64_t samples_in_file() const;
  // Throws TruncatedFileError when the file holds fewer samples than announced.
  void check_complete() const;

  // Converts min(frames, frame_count()) frames into `dest` as 32-bit float in
  // host order (little-endian on every supported host), interleaved; returns
  // the number of frames converted. An exception (TruncatedFileError when the
  // file ends early) writes "Error in Decoder::read <position> + <remaining>"
  // to the diagnostic stream and is passed on.
  int64_t read(float* dest, int64_t frames);
  // converts `frames` frames from `first_frame` (clamped to
  // the sound) into `dest`; the base of read().
  virtual int64_t read_frames(float* dest, int64_t first_frame, int64_t frames);

  const SoundFormat& format() const { return format_; }

 protected:
  explicit Decoder(SoundFormat format) : format_(format) {}
  SoundFormat format_;
};

// The writing side of an output soundfile.
class AudioEncoder {
 public:
  virtual ~AudioEncoder() = default;
  AudioEncoder(const AudioEncoder&) = delete;
  AudioEncoder& operator=(const AudioEncoder&) = delete;

  virtual int64_t frame_count() const = 0;
  // A writable pointer range for `count` samples from `first_sample`.
  virtual block get_block(int64_t first_sample, int64_t count) = 0;
  virtual block get_block(int64_t first_sample) = 0;
  virtual void write_header() = 0;
  // Counts `frames` more frames as written (the header is valid afterwards).
  virtual void commit(int64_t frames) = 0;
  virtual void resize(uint64_t bytes) = 0;

  // Appends the whole frames of `n` interleaved float samples, converted to the
  // file's sample format, growing the file when less than 1024 bytes would
  // remain; returns the samples written (0 after a failure, which is written
  // to the diagnostic stream and kept in last_error()).
  size_t write(const float* samples, size_t n);
  // Why the last write failed ("" when none has).
  const std::string& last_error() const { return last_error_; }
  // Frames the format can still take (a WAV file ends at 4 GiB).
  virtual int64_t frames_left() const = 0;

  const SoundFormat& format() const { return format_; }
  // Samples clipped by write() so far.
  formats::ClipStats clip_stats() const;

 protected:
  explicit AudioEncoder(SoundFormat format) : format_(format) {}
  // For write(): the mapped size of the file, the file offset just after the
  // data written so far, and whether `frames` more frames still fit the format.
  virtual uint64_t mapped_size() const = 0;
  virtual uint64_t end_of_data() const = 0;
  virtual bool can_commit(int64_t frames) const = 0;
  SoundFormat format_;
  std::unique_ptr<formats::Converter> converter_;
  std::string last_error_;
};

// The handle returned by the open operations. Copies share the decoder or
// encoder and the file; the file closes when the last holder lets go.
struct Soundfile {
  SoundfileType type = SoundfileType::kNone;
  SoundFormat format;
  std::shared_ptr<Decoder> decoder;
  std::shared_ptr<AudioEncoder> encoder;
  std::shared_ptr<mapped_file> file;
};

// Opens `path` for reading: RIFF files go to the WAV reader, FORM files to the
// AIFF/AIFC reader, anything else to libsndfile. Throws FormatError "Unknown
// soundfile format" when no decoder results, SoundfileError for a header cut
// short or a sample rate outside 1 Hz to 1 MHz, and the mapped-file errors (the
// system's text for a file that cannot be opened).
Soundfile OpenSoundfile(const std::string& path);

// Creates (or reopens without truncating) a WAV file for writing, writes the
// header, reserves max(current size, uint32(frame_rate * 60000) / 1000) bytes
// (in unsigned 32-bit arithmetic) and attaches a decoder
// over the fresh header. Throws std::runtime_error
// "WAV format must be little-endian" for other sample formats.
Soundfile CreateSoundfile(const std::string& path, uint32_t frame_rate, uint32_t channels,
                          SampleFormat sample_format);

// The platform wave-format record of the audio device side.
struct WaveFormat {
  uint16_t format_tag = 1;  // 1 PCM, 3 IEEE float
  uint16_t channels = 2;
  uint32_t frames_per_second = 44100;
  uint32_t avg_bytes_per_second = 0;
  uint16_t block_align = 0;
  uint16_t bits_per_sample = 16;
};

// The wave format for a sample size of 2, 3 or 4 bytes (16-bit integer, 24-bit
// integer, 32-bit float). Other sizes throw std::invalid_argument.
WaveFormat MakeWaveFormat(uint32_t frame_rate, uint16_t channels, int bytes_per_sample);

// The entry of the output-soundfile writer: creates `path` with the
// format of `wave` and stores the Soundfile in `slot`; returns 1. When creating
// throws, `status_text` becomes "Could not open \"<path>\" for output.\n<message>\n",
// the slot is left as it was, and the result is 0.
int OpenOutputSoundfile(std::optional<Soundfile>& slot, const std::string& path,
                        const WaveFormat& wave, std::string& status_text);

}  // namespace audio
