// Opening soundfiles for reading and creating them for writing.
#include "soundfile/soundfile.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "soundfile/diagnostics.h"

#include "soundfile/formats.h"

namespace audio {

namespace {

std::string TruncationText(int64_t have_bytes, int64_t announced_bytes) {
  return "the file ends after " + std::to_string(have_bytes) + " of the " +
         std::to_string(announced_bytes) + " bytes of sound data its header announces";
}

// Samples announced by the header (frames × channels, saturating).
int64_t AnnouncedSamples(const Decoder& d) {
  const int64_t ch = int64_t(d.format().channels);
  const int64_t frames = d.frame_count();
  return ch > 0 && frames > INT64_MAX / ch ? INT64_MAX : frames * ch;
}

}  // namespace

TruncatedFileError::TruncatedFileError(int64_t have_bytes, int64_t announced_bytes)
    : std::out_of_range(TruncationText(have_bytes, announced_bytes)) {}

int64_t Decoder::samples_in_file() const {
  return AnnouncedSamples(*this);
}

void Decoder::check_complete() const {
  const int64_t announced = AnnouncedSamples(*this);
  const int64_t have = samples_in_file();
  if (have >= announced) return;
  const int64_t bps = std::max(format_.sample_format.bytes_per_sample(), 1);
  throw TruncatedFileError(have * bps, announced > INT64_MAX / bps ? INT64_MAX : announced * bps);
}

block Decoder::get_frames(int64_t first_frame, int64_t frames) {
  const int64_t ch = int64_t(format_.channels);
  if (first_frame < 0 || frames < 0 ||
      (ch > 0 && (first_frame > INT64_MAX / ch || frames > INT64_MAX / ch))) {
    throw std::out_of_range("file_buffer::get_block");
  }
  return get_block(first_frame * ch, frames * ch);
}

int64_t Decoder::read(float* dest, int64_t frames) {
  return read_frames(dest, 0, frames);
}

int64_t Decoder::read_frames(float* dest, int64_t first_frame, int64_t frames) {
  const int64_t total = frame_count();
  first_frame = std::clamp<int64_t>(first_frame, 0, total);
  frames = std::clamp<int64_t>(frames, 0, total - first_frame);
  const int64_t ch = int64_t(format_.channels);
  if (frames == 0 || ch == 0) return 0;
  int64_t position = 0;
  int64_t remaining = 0;
  try {
    if (frames > INT64_MAX / ch || first_frame > INT64_MAX / ch) {
      throw std::out_of_range("file_buffer::get_block");
    }
    position = first_frame * ch;
    remaining = frames * ch;
    std::unique_ptr<formats::Converter> convert =
        formats::MakeConverter(format_.sample_format, formats::kFloat32Host);
    const int64_t bps = format_.sample_format.bytes_per_sample();
    float* out = dest;
    while (remaining > 0) {
      // The file may end before the data its header announces.
      const int64_t left = samples_in_file() - position;
      if (left <= 0) {
        check_complete();
        throw std::out_of_range("file_buffer::get_block");
      }
      block b = get_block(position);
      int64_t available = int64_t(b.size()) / bps;
      if (available == 0) {
        // The view ends inside a sample: a range that covers the next samples
        // maps a view over them.
        b = get_block(position, std::min<int64_t>({remaining, left, 65536}));
        available = int64_t(b.size()) / bps;
      }
      const int64_t n = std::min(remaining, available);
      (*convert)(b.begin, out, size_t(n));
      out += n;
      position += n;
      remaining -= n;
    }
  } catch (...) {
    diag() << "Error in Decoder::read " << position << " + " << remaining << '\n';
    throw;
  }
  return frames;
}

Soundfile OpenSoundfile(const std::string& path) {
  auto file = std::make_shared<InputFile>(path);
  formats::Detection d = formats::DetectFormat(file);
  if (!d.decoder) throw FormatError("Unknown soundfile format");
  formats::CheckFrameRate(double(d.decoder->format().frame_rate));
  Soundfile sf;
  sf.type = d.type;
  sf.format = d.decoder->format();
  sf.decoder = std::move(d.decoder);
  sf.file = std::move(file);
  return sf;
}

Soundfile CreateSoundfile(const std::string& path, uint32_t frame_rate, uint32_t channels,
                          SampleFormat sample_format) {
  // Checked before the file is touched, so that a refused format leaves no
  // 1 MiB file behind (write_header checks it again).
  if (sample_format.byte_order() != formats::ByteOrder::kLittle) {
    throw std::runtime_error("WAV format must be little-endian");
  }
  if (channels == 0 || channels * uint32_t(sample_format.bytes_per_sample()) > 0xFFFF) {
    throw std::runtime_error("Unsupported channel count for a WAV file");
  }
  auto file = std::make_shared<OutputFile>(path);
  auto encoder = std::make_shared<formats::WavEncoder>(file, frame_rate, channels, sample_format);
  encoder->write_header();
  // Reserve space: the larger of the current size and frame rate × 60000 / 1000
  // bytes, in unsigned 32-bit arithmetic as the format rules have it.
  const uint32_t reserve = uint32_t(frame_rate * 60000u) / 1000u;
  encoder->resize(std::max<uint64_t>(file->size(), reserve));
  formats::Detection d = formats::DetectFormat(file);
  Soundfile sf;
  sf.type = SoundfileType::kWav;
  sf.format = encoder->format();
  sf.decoder = std::move(d.decoder);
  sf.encoder = std::move(encoder);
  sf.file = std::move(file);
  return sf;
}

WaveFormat MakeWaveFormat(uint32_t frame_rate, uint16_t channels, int bytes_per_sample) {
  WaveFormat w;
  switch (bytes_per_sample) {
    case 2:
      w.format_tag = 1;
      break;
    case 3:
      w.format_tag = 1;
      break;
    case 4:
      w.format_tag = 3;
      break;
    default:
      throw std::invalid_argument("sample size must be 2, 3 or 4 bytes");
  }
  w.channels = channels;
  w.frames_per_second = frame_rate;
  w.bits_per_sample = uint16_t(bytes_per_sample * 8);
  w.block_align = uint16_t(channels * bytes_per_sample);
  w.avg_bytes_per_second = w.block_align * frame_rate;
  return w;
}

int OpenOutputSoundfile(std::optional<Soundfile>& slot, const std::string& path,
                        const WaveFormat& wave, std::string& status_text) {
  try {
    const SampleFormat f = formats::SampleFormatFromWave(wave.format_tag, wave.bits_per_sample);
    Soundfile sf = CreateSoundfile(path, wave.frames_per_second, wave.channels, f);
    slot = std::move(sf);
    return 1;
  } catch (const std::exception& e) {
    status_text = "Could not open \"" + path + "\" for output.\n" + e.what() + "\n";
    return 0;
  }
}

}  // namespace audio
