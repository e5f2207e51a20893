// The libsndfile decoder: compressed WAV and files that are neither RIFF nor
// FORM. libsndfile reads the file through the mapped file (virtual I/O), so
// this decoder, like the others, never reads with file calls.
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "soundfile/diagnostics.h"
#include "soundfile/formats.h"

namespace audio::formats {

struct SndfileDecoder::Io {
  explicit Io(std::shared_ptr<mapped_file> f) : buffer(std::move(f)) {}
  file_buffer buffer;
  sf_count_t position = 0;

  sf_count_t size() const { return sf_count_t(buffer.file()->size()); }
};

namespace {

using Io = SndfileDecoder::Io;

sf_count_t IoLength(void* user) {
  return static_cast<Io*>(user)->size();
}

sf_count_t IoSeek(sf_count_t offset, int whence, void* user) {
  Io* io = static_cast<Io*>(user);
  sf_count_t base = 0;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = io->position;
      break;
    case SEEK_END:
      base = io->size();
      break;
    default:
      return -1;
  }
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
  io->position = base + offset;
  return io->position;
}

sf_count_t IoRead(void* ptr, sf_count_t count, void* user) {
  Io* io = static_cast<Io*>(user);
  const sf_count_t size = io->size();
  if (count <= 0 || io->position >= size) return 0;
  count = std::min(count, size - io->position);
  uint8_t* out = static_cast<uint8_t*>(ptr);
  sf_count_t done = 0;
  try {
    while (done < count) {
      const block b = io->buffer.get_block(uint64_t(io->position));
      const sf_count_t n = std::min<sf_count_t>(count - done, sf_count_t(b.size()));
      if (n <= 0) break;
      std::memcpy(out + done, b.begin, size_t(n));
      done += n;
      io->position += n;
    }
  } catch (const std::exception& e) {
    diag() << "SndfileDecoder: " << e.what() << '\n';
  }
  return done;
}

sf_count_t IoWrite(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t IoTell(void* user) {
  return static_cast<Io*>(user)->position;
}

SF_VIRTUAL_IO kVirtualIo = {IoLength, IoSeek, IoRead, IoWrite, IoTell};

}  // namespace

std::shared_ptr<SndfileDecoder> SndfileDecoder::Open(std::shared_ptr<mapped_file> file, Chunk fmt,
                                                     Chunk data) {
  auto io = std::make_unique<Io>(std::move(file));
  SF_INFO info{};
  SNDFILE* sf = sf_open_virtual(&kVirtualIo, SFM_READ, &info, io.get());
  if (sf == nullptr) return nullptr;
  if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) {
    sf_close(sf);
    return nullptr;
  }
  // Integer data comes out as float scaled to ±1 (libsndfile's default).
  sf_command(sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  const SoundFormat format{uint32_t(info.samplerate), uint32_t(info.channels), kFloat32Host};
  return std::shared_ptr<SndfileDecoder>(
      new SndfileDecoder(format, std::move(io), sf, info.frames, info.format, fmt, data));
}

SndfileDecoder::SndfileDecoder(SoundFormat format, std::unique_ptr<Io> io, SNDFILE* sf,
                               int64_t frames, int sf_format, Chunk fmt, Chunk data)
    : Decoder(format),
      io_(std::move(io)),
      sf_(sf),
      frames_(frames),
      sf_format_(sf_format),
      fmt_(fmt),
      data_(data) {}

SndfileDecoder::~SndfileDecoder() {
  sf_close(sf_);
}

void SndfileDecoder::seek(int64_t frame) {
  if (frame == position_) return;
  if (sf_seek(sf_, frame, SEEK_SET) == frame) {
    position_ = frame;
    return;
  }
  // Some streams cannot seek (GSM 6.10, damaged FLAC): start again from the
  // beginning when going back, then decode forward to the frame.
  if (frame < position_) {
    io_->position = 0;
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&kVirtualIo, SFM_READ, &info, io_.get());
    if (sf == nullptr) throw std::runtime_error("libsndfile could not reopen the file");
    sf_command(sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    sf_close(sf_);
    sf_ = sf;
    position_ = 0;
  }
  std::vector<float> skip(size_t(4096) * format_.channels);
  while (position_ < frame) {
    const sf_count_t got =
        sf_readf_float(sf_, skip.data(), std::min<int64_t>(4096, frame - position_));
    if (got <= 0)
      throw std::runtime_error(std::string("libsndfile could not seek: ") + sf_strerror(sf_));
    position_ += got;
  }
}

int64_t SndfileDecoder::read_frames(float* dest, int64_t first_frame, int64_t frames) {
  first_frame = std::clamp<int64_t>(first_frame, 0, frames_);
  frames = std::clamp<int64_t>(frames, 0, frames_ - first_frame);
  if (frames == 0) return 0;
  const int64_t ch = int64_t(format_.channels);
  int64_t done = 0;
  try {
    seek(first_frame);
    while (done < frames) {
      const sf_count_t got = sf_readf_float(sf_, dest + done * ch, frames - done);
      if (got <= 0) break;
      done += got;
      position_ += got;
    }
    if (done < frames) {
      if (sf_error(sf_) != SF_ERR_NO_ERROR) {
        throw std::runtime_error(std::string("libsndfile: ") + sf_strerror(sf_));
      }
      // The stream ended before the length libsndfile reported (it can only
      // estimate some formats): the rest is silence.
      std::fill(dest + done * ch, dest + frames * ch, 0.0f);
    }
  } catch (...) {
    diag() << "Error in Decoder::read " << (first_frame + done) * ch << " + "
           << (frames - done) * ch << '\n';
    throw;
  }
  return done;
}

block SndfileDecoder::get_block(int64_t first_sample, int64_t count) {
  const int64_t ch = int64_t(format_.channels);
  const int64_t total = frames_ * ch;
  if (first_sample < 0 || count < 0 || first_sample > total || count > total - first_sample) {
    throw std::out_of_range("SndfileDecoder::get_block");
  }
  const int64_t first_frame = first_sample / ch;
  const int64_t end_frame = (first_sample + count + ch - 1) / ch;
  const int64_t frames = end_frame - first_frame;
  buffer_.assign(size_t(frames * ch), 0.0f);
  if (frames > 0) {
    seek(first_frame);
    int64_t done = 0;
    while (done < frames) {
      const sf_count_t got = sf_readf_float(sf_, buffer_.data() + done * ch, frames - done);
      if (got <= 0) break;
      done += got;
      position_ += got;
    }
  }
  uint8_t* base = reinterpret_cast<uint8_t*>(buffer_.data());
  const int64_t skip = first_sample - first_frame * ch;
  return block{base + skip * 4, base + buffer_.size() * 4, uint64_t(first_sample) * 4, nullptr};
}

block SndfileDecoder::get_block(int64_t first_sample) {
  const int64_t ch = int64_t(format_.channels);
  const int64_t total = frames_ * ch;
  if (first_sample < 0 || first_sample > total)
    throw std::out_of_range("SndfileDecoder::get_block");
  return get_block(first_sample, std::min<int64_t>(total - first_sample, 65536 * ch));
}

void SndfileDecoder::dump_chunks(std::ostream& out) const {
  if (fmt_.found()) DumpChunk(out, fmt_.id, fmt_.header_offset(), fmt_.size);
  if (data_.found()) DumpChunk(out, data_.id, data_.header_offset(), data_.size);
}

}  // namespace audio::formats
