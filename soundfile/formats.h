// Format detection, chunk search, the WAV and AIFF/AIFC decoders, the WAV
// encoder and the libsndfile decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "soundfile/mapped_file.h"
#include "soundfile/soundfile.h"

struct sf_private_tag;

namespace audio::formats {

// A chunk found by find_chunk: id 0, size 0 and offset -1 when not found.
struct Chunk {
  uint32_t id = 0;      // the four id bytes as read (byte 0 lowest)
  uint32_t size = 0;    // the size field
  int64_t offset = -1;  // offset of the chunk data (8 bytes past its header)

  bool found() const { return offset >= 0; }
  int64_t header_offset() const { return offset - 8; }
  // Offset just after the data and its pad byte.
  int64_t next_offset() const { return offset + int64_t(size) + int64_t(size & 1); }
};

// Four-character code as the 32-bit value find_chunk compares ("fmt " etc.).
constexpr uint32_t Fourcc(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) |
         (uint32_t(uint8_t(s[2])) << 16) | (uint32_t(uint8_t(s[3])) << 24);
}
std::string FourccText(uint32_t id);

// A valid id: four bytes, each with bit 7 clear and bit 5 or 6 set.
bool IsValidChunkId(const uint8_t* p);

// Searches [start, end) of `base` for the chunk `wanted`, sizes little-endian
// (RIFF) or big-endian (FORM), with its resynchronisation rules. Never
// reads outside [base + start, base + end).
Chunk find_chunk(const uint8_t* base, uint64_t start, uint64_t end, uint32_t wanted,
                 bool big_endian);

// Writes one chunk line: <chunk fourcc="fmt " filepos="12" size="16"  />
void DumpChunk(std::ostream& out, uint32_t id, int64_t filepos, uint32_t size);

// Result of format detection.
struct Detection {
  SoundfileType type = SoundfileType::kNone;
  std::shared_ptr<Decoder> decoder;  // null: no decoder
};

// Runs format detection over an open file: fewer than 16 bytes: no decoder;
// "RIFF": the WAV reader; "FORM": the AIFF reader; anything else: libsndfile.
// Throws SoundfileError for a `fmt `/`COMM` chunk past the mapped data.
Detection DetectFormat(const std::shared_ptr<mapped_file>& file);

// A decoder that hands out ranges of a mapped file (WAV and AIFF data).
class MappedDecoder : public Decoder {
 public:
  block get_block(int64_t first_sample, int64_t count) override;
  block get_block(int64_t first_sample) override;
  int64_t data_offset() const override { return data_offset_; }
  int64_t read_frames(float* dest, int64_t first_frame, int64_t frames) override;
  // The whole samples between the data offset and the end of the file.
  int64_t samples_in_file() const override;

 protected:
  MappedDecoder(SoundFormat format, std::shared_ptr<mapped_file> file, int64_t data_offset);
  uint64_t sample_offset(int64_t first_sample) const;
  file_buffer buffer_;
  int64_t data_offset_;
};

class WavDecoder : public MappedDecoder {
 public:
  WavDecoder(SoundFormat format, std::shared_ptr<mapped_file> file, Chunk fmt, Chunk data);
  // data size / (bytes per sample × channels); 0 for a format without a size.
  int64_t frame_count() const override;
  void dump_chunks(std::ostream& out) const override;
  const Chunk& fmt_chunk() const { return fmt_; }
  const Chunk& data_chunk() const { return data_; }

 private:
  Chunk fmt_;
  Chunk data_;
};

// The parsed COMM chunk.
struct CommRecord {
  int16_t channels = 0;
  uint32_t frames = 0;
  int16_t bits = 0;
  uint16_t exponent = 0;  // sign and exponent of the 80-bit rate
  uint64_t mantissa = 0;
  bool has_compression = false;
  char compression[5] = {0, 0, 0, 0, 0};
  std::string compression_name;
  // The upper 32 mantissa bits shifted right by (16414 − exponent) mod 32.
  uint32_t frame_rate() const;
  // The 80-bit rate as a number (negative, infinite or NaN when it says so).
  double rate() const;
};

// Sound is read at rates from 1 Hz to 1 MHz.
inline constexpr double kLowestFrameRate = 1.0;
inline constexpr double kHighestFrameRate = 1000000.0;
// Throws SoundfileError "Sample rate R Hz is not a rate from 1 Hz to 1 MHz" for
// any other rate.
void CheckFrameRate(double rate);

class AiffDecoder : public MappedDecoder {
 public:
  AiffDecoder(SoundFormat format, std::shared_ptr<mapped_file> file, Chunk comm, CommRecord record,
              Chunk ssnd);
  // The sample frames of COMM.
  int64_t frame_count() const override { return int64_t(record_.frames); }
  void dump_chunks(std::ostream& out) const override;
  const CommRecord& comm() const { return record_; }

 private:
  Chunk comm_;
  CommRecord record_;
  Chunk ssnd_;
};

// Reads through libsndfile: compressed WAV (A-law, µ-law, IMA and MS ADPCM, GSM
// 6.10, ...; the compressed-WAV path) and files that are neither
// RIFF nor FORM. It reports the file's own frame rate and channel count with
// 32-bit float samples in host order, and reads the file through the mapped
// file like every other decoder.
class SndfileDecoder : public Decoder {
 public:
  // Null when libsndfile cannot read the file. `fmt` and `data` are the RIFF
  // chunks when known (for dump_chunks).
  static std::shared_ptr<SndfileDecoder> Open(std::shared_ptr<mapped_file> file,
                                              Chunk fmt = Chunk{}, Chunk data = Chunk{});
  ~SndfileDecoder() override;

  int64_t frame_count() const override { return frames_; }
  // Decodes into an internal buffer and returns a range of it (valid until
  // the next call). Throws std::out_of_range "SndfileDecoder::get_block"
  // beyond the sound.
  block get_block(int64_t first_sample, int64_t count) override;
  block get_block(int64_t first_sample) override;
  void dump_chunks(std::ostream& out) const override;
  int64_t data_offset() const override { return data_.offset; }
  int64_t read_frames(float* dest, int64_t first_frame, int64_t frames) override;

  // libsndfile's major format (SF_FORMAT_WAV, SF_FORMAT_FLAC, ...) and subtype.
  int major_format() const { return sf_format_ & 0x0FFF0000; }
  int subtype() const { return sf_format_ & 0x0000FFFF; }

  struct Io;  // the virtual-I/O state over the mapped file

 private:
  SndfileDecoder(SoundFormat format, std::unique_ptr<Io> io, sf_private_tag* sf, int64_t frames,
                 int sf_format, Chunk fmt, Chunk data);
  void seek(int64_t frame);

  std::unique_ptr<Io> io_;
  sf_private_tag* sf_;
  int64_t position_ = 0;  // the frame libsndfile reads next
  int64_t frames_;
  int sf_format_;
  Chunk fmt_;
  Chunk data_;
  std::vector<float> buffer_;
};

// Writes WAV files with the 44-byte header.
class WavEncoder : public AudioEncoder {
 public:
  static constexpr uint64_t kHeaderSize = 44;
  static constexpr uint64_t kDataSizeOffset = 40;
  // The RIFF size is a 32-bit field: a WAV file ends at 4 GiB.
  static constexpr uint64_t kMaxRiffSize = 0xFFFFFFFFull;

  WavEncoder(std::shared_ptr<OutputFile> file, uint32_t frame_rate, uint32_t channels,
             SampleFormat sample_format);
  // Cuts the file to RIFF size + 8 bytes (the OutputFile then sets the end of
  // file when its last holder lets go).
  ~WavEncoder() override;

  int64_t frame_count() const override;
  int64_t frames_left() const override;
  block get_block(int64_t first_sample, int64_t count) override;
  block get_block(int64_t first_sample) override;
  // Throws std::runtime_error "WAV format must be little-endian".
  void write_header() override;
  void commit(int64_t frames) override;
  void resize(uint64_t bytes) override;

  uint32_t riff_size() const;
  uint32_t data_size() const;
  const std::shared_ptr<OutputFile>& file() const { return file_; }

 protected:
  uint64_t mapped_size() const override { return file_->size(); }
  uint64_t end_of_data() const override { return kHeaderSize + data_size(); }
  bool can_commit(int64_t frames) const override;

 private:
  uint32_t read_u32(uint64_t offset) const;
  void write_u32(uint64_t offset, uint32_t value);

  std::shared_ptr<OutputFile> file_;
  mutable file_buffer buffer_;
};

}  // namespace audio::formats
