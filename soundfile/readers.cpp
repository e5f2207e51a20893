// Format detection, chunk search and the WAV and AIFF/AIFC readers.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <limits>
#include <stdexcept>

#include "soundfile/byte_order.h"
#include "soundfile/diagnostics.h"
#include "soundfile/formats.h"

namespace audio::formats {

using detail::LoadBE16;
using detail::LoadBE32;
using detail::LoadLE16;
using detail::LoadLE32;

std::string FourccText(uint32_t id) {
  std::string s(4, ' ');
  for (int k = 0; k < 4; ++k) s[k] = char(uint8_t(id >> (8 * k)));
  return s;
}

bool IsValidChunkId(const uint8_t* p) {
  for (int k = 0; k < 4; ++k) {
    if ((p[k] & 0x80) != 0 || (p[k] & 0x60) == 0) return false;
  }
  return true;
}

Chunk find_chunk(const uint8_t* base, uint64_t start, uint64_t end, uint32_t wanted,
                 bool big_endian) {
  uint64_t pos = start;
  while (pos < end) {
    // A header needs 8 bytes; fewer left ends the search instead of reading
    // past the end.
    if (end - pos < 8) break;
    const uint8_t* p = base + pos;
    const uint32_t id = LoadLE32(p);
    const uint32_t size = big_endian ? LoadBE32(p + 4) : LoadLE32(p + 4);
    const uint64_t data = pos + 8;
    if (id == wanted) return Chunk{id, size, int64_t(data)};
    const uint64_t padded = uint64_t(size) + (size & 1);
    if (padded > end - data) {
      // The chunk would run past the end.
      if (!IsValidChunkId(p)) break;
      if (IsValidChunkId(p + 4)) {  // the size field looks like an id: resynchronise
        pos += 4;
        continue;
      }
      break;
    }
    const uint64_t next = data + padded;
    if (end - next >= 4 && IsValidChunkId(base + next)) {
      pos = next;
    } else {
      pos = data;  // scan on from the chunk's data
    }
  }
  return Chunk{};
}

void DumpChunk(std::ostream& out, uint32_t id, int64_t filepos, uint32_t size) {
  out << "<chunk "
      << "fourcc=\"" << FourccText(id) << "\" "
      << "filepos=\"" << filepos << "\" "
      << "size=\"" << size << "\" "
      << " />" << '\n';
}

// ---------------------------------------------------------------------------
// Decoders

MappedDecoder::MappedDecoder(SoundFormat format, std::shared_ptr<mapped_file> file,
                             int64_t data_offset)
    : Decoder(format), buffer_(std::move(file)), data_offset_(data_offset) {}

uint64_t MappedDecoder::sample_offset(int64_t first_sample) const {
  const int64_t bps = format_.sample_format.bytes_per_sample();
  if (first_sample < 0 || bps == 0 || first_sample > (INT64_MAX - data_offset_) / bps) {
    throw std::out_of_range("file_buffer::get_block");
  }
  return uint64_t(data_offset_ + first_sample * bps);
}

block MappedDecoder::get_block(int64_t first_sample, int64_t count) {
  const uint64_t offset = sample_offset(first_sample);
  const int64_t bps = format_.sample_format.bytes_per_sample();
  if (count < 0 || count > INT64_MAX / bps) throw std::out_of_range("file_buffer::get_block");
  return buffer_.get_block(offset, uint64_t(count * bps));
}

block MappedDecoder::get_block(int64_t first_sample) {
  return buffer_.get_block(sample_offset(first_sample));
}

int64_t MappedDecoder::samples_in_file() const {
  const int64_t bps = format_.sample_format.bytes_per_sample();
  const uint64_t size = buffer_.file()->size();
  const int64_t stored = bps == 0 || uint64_t(data_offset_) >= size
                             ? 0
                             : int64_t((size - uint64_t(data_offset_)) / uint64_t(bps));
  return std::min(stored, Decoder::samples_in_file());
}

int64_t MappedDecoder::read_frames(float* dest, int64_t first_frame, int64_t frames) {
  return Decoder::read_frames(dest, first_frame, frames);
}

WavDecoder::WavDecoder(SoundFormat format, std::shared_ptr<mapped_file> file, Chunk fmt, Chunk data)
    : MappedDecoder(format, std::move(file), data.offset), fmt_(fmt), data_(data) {}

int64_t WavDecoder::frame_count() const {
  const uint32_t frame_bytes = format_.frame_bytes();
  return frame_bytes == 0 ? 0 : int64_t(data_.size / frame_bytes);
}

void WavDecoder::dump_chunks(std::ostream& out) const {
  DumpChunk(out, fmt_.id, fmt_.header_offset(), fmt_.size);
  DumpChunk(out, data_.id, data_.header_offset(), data_.size);
}

double CommRecord::rate() const {
  const bool negative = (exponent & 0x8000) != 0;
  const int e = exponent & 0x7FFF;
  double value;
  if (e == 0x7FFF) {
    value = (mantissa << 1) == 0 ? HUGE_VAL : NAN;  // infinity, or not a number
  } else {
    value = std::ldexp(double(mantissa), e - 16383 - 63);
  }
  return negative ? -value : value;
}

void CheckFrameRate(double rate) {
  if (rate >= kLowestFrameRate && rate <= kHighestFrameRate) return;
  std::ostringstream text;
  text << "Sample rate " << rate << " Hz is not a rate from 1 Hz to 1 MHz";
  throw SoundfileError(text.str());
}

uint32_t CommRecord::frame_rate() const {
  const uint32_t top = uint32_t(mantissa >> 32);
  const uint32_t shift = uint32_t(16414 - int32_t(exponent)) & 31u;
  return top >> shift;
}

AiffDecoder::AiffDecoder(SoundFormat format, std::shared_ptr<mapped_file> file, Chunk comm,
                         CommRecord record, Chunk ssnd)
    : MappedDecoder(format, std::move(file), ssnd.offset + 8),
      comm_(comm),
      record_(std::move(record)),
      ssnd_(ssnd) {}

void AiffDecoder::dump_chunks(std::ostream& out) const {
  DumpChunk(out, comm_.id, comm_.header_offset(), comm_.size);
  DumpChunk(out, ssnd_.id, ssnd_.header_offset(), ssnd_.size);
}

// ---------------------------------------------------------------------------
// Readers

namespace {

// The format record up to and including its extra-size field, and the largest
// extra part that is copied after it (a larger one keeps only the first 16 bytes).
constexpr uint32_t kFormatRecordBytes = 18;
constexpr uint16_t kMaxFormatExtra = 240;

// The KSDATAFORMAT_SUBTYPE GUID after its first two bytes (the format tag).
constexpr uint8_t kSubtypeGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The bits a PCM sample takes in the file: its bit count, or the wider
// container the block align gives it (24-bit samples in 4-byte containers),
// where the sample stands left-justified as the format has it.
uint16_t StoredBits(uint16_t bits, uint16_t block_align, uint16_t channels) {
  if (channels == 0 || block_align % channels != 0) return bits;
  const uint32_t container = uint32_t(block_align / channels) * 8;
  const bool known = container == 16 || container == 24 || container == 32;
  return known && bits > 0 && container > bits ? uint16_t(container) : bits;
}

Detection ReadWav(const std::shared_ptr<mapped_file>& file, const uint8_t* b, uint64_t n) {
  Detection d;
  if (!detail::FourccIs(b + 8, "WAVE")) return d;
  d.type = SoundfileType::kWav;
  const Chunk fmt = find_chunk(b, 12, n, Fourcc("fmt "), false);
  if (!fmt.found()) return d;
  if (uint64_t(fmt.offset) + fmt.size > n) throw SoundfileError("not enough data to read header");

  // The format record in a zeroed area large enough for the 18-byte record and
  // the largest extra part accepted. Nothing is copied from outside the chunk:
  // a short chunk leaves the rest zero.
  uint8_t rec[kFormatRecordBytes + kMaxFormatExtra] = {};
  const uint8_t* src = b + fmt.offset;
  std::memcpy(rec, src, std::min<uint32_t>(fmt.size, 16));
  const uint16_t tag = LoadLE16(rec);
  const uint16_t channels = LoadLE16(rec + 2);
  const uint32_t rate = LoadLE32(rec + 4);
  const uint16_t block_align = LoadLE16(rec + 12);
  const uint16_t bits = LoadLE16(rec + 14);
  const uint16_t pcm_bits = StoredBits(bits, block_align, channels);
  uint16_t extra = 0;
  if (tag != 1 && fmt.size >= kFormatRecordBytes) {
    const uint16_t field = LoadLE16(src + 16);
    if (field <= kMaxFormatExtra) {
      extra = field;
      std::memcpy(rec + 16, src + 16, 2);
      std::memcpy(rec + kFormatRecordBytes, src + kFormatRecordBytes,
                  std::min<uint32_t>(extra, fmt.size - kFormatRecordBytes));
    }
  }
  const Chunk data = find_chunk(b, uint64_t(fmt.next_offset()), n, Fourcc("data"), false);

  if (tag == 0xFFFE) {
    // The extensible-format hook: plain PCM and IEEE-float subtypes are read directly, mapped by
    // bits like tags 1 and 3; every other subtype takes the compressed path.
    if (extra >= 22 && std::memcmp(rec + 26, kSubtypeGuidTail, 14) == 0) {
      const uint16_t subtype = LoadLE16(rec + 24);
      if (subtype == 1 || subtype == 3) {
        if (!data.found()) return d;
        const SoundFormat format{
            rate, channels, SampleFormatFromWave(subtype, subtype == 1 ? pcm_bits : bits)};
        d.decoder = std::make_shared<WavDecoder>(format, file, fmt, data);
        return d;
      }
    }
  }
  if (tag != 1 && tag != 3) {
    // The compressed path: libsndfile in place of the compression manager.
    d.decoder = SndfileDecoder::Open(file, fmt, data);
    return d;
  }
  if (!data.found()) return d;
  const SoundFormat format{rate, channels, SampleFormatFromWave(tag, tag == 1 ? pcm_bits : bits)};
  d.decoder = std::make_shared<WavDecoder>(format, file, fmt, data);
  return d;
}

SampleFormat AiffSampleFormat(const CommRecord& c) {
  const std::string_view type(c.compression, 4);
  const bool sowt = c.has_compression && type == "sowt";
  if (c.has_compression && !sowt && type != "NONE") {
    if (type == "fl32" || type == "FL32") return kFloat32BE;
    if (type == "fl64" || type == "FL64") return kFloat64BE;
    diag() << "Sample format '" << type << "' not supported" << '\n';
    return kFormatNone;
  }
  if (c.bits <= 8) return kInt8;
  if (c.bits <= 16) return sowt ? kInt16LE : kInt16BE;
  if (c.bits <= 24) return sowt ? kInt24LE : kInt24BE;
  if (c.bits <= 32) return sowt ? kInt32LE : kInt32BE;
  diag() << "Sample size " << c.bits << " not supported" << '\n';
  return kFormatNone;
}

Detection ReadAiff(const std::shared_ptr<mapped_file>& file, const uint8_t* b, uint64_t n) {
  Detection d;
  if (detail::FourccIs(b + 8, "AIFF")) {
    d.type = SoundfileType::kAiff;
  } else if (detail::FourccIs(b + 8, "AIFC")) {
    d.type = SoundfileType::kAifc;
  } else {
    return d;
  }
  const Chunk comm = find_chunk(b, 12, n, Fourcc("COMM"), true);
  if (!comm.found()) return d;
  // As for `fmt `: a COMM chunk running
  // past the mapped data fails the same way instead of being read past it.
  if (uint64_t(comm.offset) + comm.size > n) throw SoundfileError("not enough data to read header");

  uint8_t rec[18 + 4 + 256] = {};
  std::memcpy(rec, b + comm.offset, std::min<size_t>(comm.size, sizeof rec));
  CommRecord c;
  c.channels = int16_t(LoadBE16(rec));
  c.frames = LoadBE32(rec + 2);
  c.bits = int16_t(LoadBE16(rec + 6));
  c.exponent = LoadBE16(rec + 8);
  c.mantissa = (uint64_t(LoadBE32(rec + 10)) << 32) | LoadBE32(rec + 14);
  if (comm.size > 18) {
    c.has_compression = true;
    std::memcpy(c.compression, rec + 18, 4);
  }
  if (comm.size > 22) {
    const size_t len = std::min<size_t>(rec[22], std::min<size_t>(comm.size, sizeof rec) - 23);
    c.compression_name.assign(reinterpret_cast<const char*>(rec + 23), len);
  }
  CheckFrameRate(c.rate());
  const SampleFormat sample_format = AiffSampleFormat(c);
  const Chunk ssnd = find_chunk(b, uint64_t(comm.next_offset()), n, Fourcc("SSND"), true);
  if (!ssnd.found()) return d;
  // Negative channel counts read as none.
  const SoundFormat format{c.frame_rate(), uint32_t(std::max<int16_t>(c.channels, 0)),
                           sample_format};
  d.decoder = std::make_shared<AiffDecoder>(format, file, comm, std::move(c), ssnd);
  return d;
}

}  // namespace

Detection DetectFormat(const std::shared_ptr<mapped_file>& file) {
  if (file->size() < 16) return Detection{};
  file_buffer buffer(file);
  // The header area: the block the first 16 bytes come in (the whole file when
  // it is small, else the first view of at least 512 KiB).
  const block header = buffer.get_block(0, 16);
  const uint8_t* b = header.begin;
  const uint64_t n = header.size();
  if (detail::FourccIs(b, "RIFF")) return ReadWav(file, b, n);
  if (detail::FourccIs(b, "FORM")) return ReadAiff(file, b, n);
  // Anything else libsndfile can read.
  Detection d;
  d.decoder = SndfileDecoder::Open(file);
  if (d.decoder) d.type = SoundfileType::kOther;
  return d;
}

}  // namespace audio::formats
