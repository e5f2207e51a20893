// Writing WAV files.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "soundfile/byte_order.h"
#include "soundfile/diagnostics.h"
#include "soundfile/formats.h"

namespace audio {

formats::ClipStats AudioEncoder::clip_stats() const {
  return converter_ ? converter_->clip_stats() : formats::ClipStats{};
}

size_t AudioEncoder::write(const float* samples, size_t n) {
  try {
    const size_t channels = format_.channels;
    const uint64_t bps = uint64_t(format_.sample_format.bytes_per_sample());
    if (channels == 0 || bps == 0) throw std::runtime_error("Soundfile not writable");
    const int64_t frames = int64_t(n / channels);
    if (frames == 0) return 0;
    const size_t count = size_t(frames) * channels;
    if (!can_commit(frames)) throw std::runtime_error("WAV file size limit reached");
    if (!converter_) {
      converter_ = formats::ClassOf(format_.sample_format) == formats::SampleClass::kInt24
                       ? formats::GetInt24Converter(formats::kFloat32Host, format_.sample_format)
                       : formats::MakeConverter(formats::kFloat32Host, format_.sample_format);
    }
    // Grow the mapping when less than 1024 bytes would remain after the block.
    const uint64_t bytes = count * bps;
    if (end_of_data() + bytes + 1024 > mapped_size()) {
      const uint64_t frame_bytes = channels * bps;
      resize(mapped_size() + frame_bytes * std::max<uint64_t>(2 * uint64_t(n), 1048576));
    }
    const block b = get_block(frame_count() * int64_t(channels), int64_t(count));
    (*converter_)(samples, b.begin, count);
    commit(frames);
    return count;
  } catch (const std::exception& e) {
    last_error_ = e.what();
    diag() << "AudioEncoder::write: " << e.what() << '\n';
    return 0;
  }
}

namespace formats {

WavEncoder::WavEncoder(std::shared_ptr<OutputFile> file, uint32_t frame_rate, uint32_t channels,
                       SampleFormat sample_format)
    : AudioEncoder(SoundFormat{frame_rate, channels, sample_format}),
      file_(file),
      buffer_(std::move(file)) {
  // an existing file shorter than the header is mapped at
  // its own size, which cannot hold the header; give it the 1 MiB of a new one.
  if (file_->size() < kHeaderSize) file_->resize(OutputFile::kInitialMapping);
}

WavEncoder::~WavEncoder() {
  try {
    resize(uint64_t(riff_size()) + 8);
  } catch (const std::exception& e) {
    diag() << "WavEncoder: " << e.what() << '\n';
  }
}

uint32_t WavEncoder::read_u32(uint64_t offset) const {
  return detail::LoadLE32(buffer_.get_block(offset, 4).begin);
}

void WavEncoder::write_u32(uint64_t offset, uint32_t value) {
  detail::StoreLE32(buffer_.get_block(offset, 4).begin, value);
}

uint32_t WavEncoder::riff_size() const {
  return read_u32(4);
}
uint32_t WavEncoder::data_size() const {
  return read_u32(kDataSizeOffset);
}

int64_t WavEncoder::frame_count() const {
  const uint32_t frame_bytes = format_.frame_bytes();
  return frame_bytes == 0 ? 0 : int64_t(data_size() / frame_bytes);
}

block WavEncoder::get_block(int64_t first_sample, int64_t count) {
  const int64_t bps = format_.sample_format.bytes_per_sample();
  if (first_sample < 0 || count < 0 || bps == 0 || first_sample > INT32_MAX * int64_t(8) ||
      count > INT32_MAX * int64_t(8)) {
    throw std::out_of_range("file_buffer::get_block");
  }
  return buffer_.get_block(kHeaderSize + uint64_t(first_sample * bps), uint64_t(count * bps));
}

block WavEncoder::get_block(int64_t first_sample) {
  const int64_t bps = format_.sample_format.bytes_per_sample();
  if (first_sample < 0 || bps == 0 || first_sample > INT32_MAX * int64_t(8)) {
    throw std::out_of_range("file_buffer::get_block");
  }
  return buffer_.get_block(kHeaderSize + uint64_t(first_sample * bps));
}

void WavEncoder::write_header() {
  const SampleFormat f = format_.sample_format;
  if (f.byte_order() != ByteOrder::kLittle) {
    throw std::runtime_error("WAV format must be little-endian");
  }
  const uint32_t bps = uint32_t(f.bytes_per_sample());
  const uint32_t block_align = format_.channels * bps;
  uint8_t h[kHeaderSize];
  std::memcpy(h, "RIFF", 4);
  detail::StoreLE32(h + 4, 36);
  std::memcpy(h + 8, "WAVE", 4);
  std::memcpy(h + 12, "fmt ", 4);
  detail::StoreLE32(h + 16, 16);
  detail::StoreLE16(h + 20, f.kind() == 'f' ? 3 : 1);
  detail::StoreLE16(h + 22, uint16_t(format_.channels));
  detail::StoreLE32(h + 24, format_.frame_rate);
  detail::StoreLE32(h + 28, block_align * format_.frame_rate);
  detail::StoreLE16(h + 32, uint16_t(block_align));
  detail::StoreLE16(h + 34, uint16_t(bps * 8));
  std::memcpy(h + 36, "data", 4);
  detail::StoreLE32(h + 40, 0);
  std::memcpy(buffer_.get_block(0, kHeaderSize).begin, h, kHeaderSize);
}

int64_t WavEncoder::frames_left() const {
  const uint32_t frame_bytes = format_.frame_bytes();
  return frame_bytes == 0 ? 0 : int64_t((kMaxRiffSize - riff_size()) / frame_bytes);
}

bool WavEncoder::can_commit(int64_t frames) const {
  const uint64_t bytes = uint64_t(frames) * format_.frame_bytes();
  return uint64_t(riff_size()) + bytes <= kMaxRiffSize;
}

void WavEncoder::commit(int64_t frames) {
  if (frames < 0 || !can_commit(frames)) throw std::runtime_error("WAV file size limit reached");
  const uint32_t bytes = uint32_t(uint64_t(frames) * format_.frame_bytes());
  write_u32(4, riff_size() + bytes);
  write_u32(kDataSizeOffset, data_size() + bytes);
}

void WavEncoder::resize(uint64_t bytes) {
  file_->resize(bytes);
}

}  // namespace formats
}  // namespace audio
