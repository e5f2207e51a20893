// Sample format codes and sound formats.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

namespace audio::formats {

// Byte order values.
enum class ByteOrder : int { kUnknown = 0, kLittle = 1, kBig = 2 };

inline constexpr ByteOrder kHostOrder =
    std::endian::native == std::endian::little ? ByteOrder::kLittle : ByteOrder::kBig;

// A four-byte code for a sample encoding. Byte k is bits 8k..8k+7 of the
// value (byte 0 first in memory on little-endian hosts).
// Little-endian form: byte 0 = bytes per sample, byte 1 = kind ('i' integer,
// 'f' float, 'b' unsigned 8-bit, 'c' signed 8-bit), bytes 2 and 3 = the bit
// count as two ASCII digits. Big-endian form: the same bytes reversed.
struct SampleFormat {
  uint32_t code = 0;

  constexpr SampleFormat() = default;
  constexpr explicit SampleFormat(uint32_t c) : code(c) {}
  friend constexpr bool operator==(SampleFormat a, SampleFormat b) { return a.code == b.code; }

  constexpr uint8_t byte(int k) const { return uint8_t(code >> (8 * k)); }

  // Byte 0 if it is below 17, else byte 3.
  constexpr int bytes_per_sample() const { return byte(0) < 17 ? byte(0) : byte(3); }
  // Byte 0 below 17: little-endian when byte 0 is non-zero; byte 0 of 17 or
  // more: big-endian when byte 3 is non-zero; else unknown.
  constexpr ByteOrder byte_order() const {
    if (byte(0) < 17) return byte(0) != 0 ? ByteOrder::kLittle : ByteOrder::kUnknown;
    return byte(3) != 0 ? ByteOrder::kBig : ByteOrder::kUnknown;
  }
  // The kind character ('i', 'f', 'b', 'c'), or 0 for special codes.
  constexpr char kind() const {
    switch (byte_order()) {
      case ByteOrder::kLittle:
        return char(byte(1));
      case ByteOrder::kBig:
        return char(byte(2));
      default:
        return 0;
    }
  }
  // Printable name for diagnostics: "int16_LE", "float32_BE", "byte", "char",
  // "Compressed", "Unsupported" or "Unknown".
  std::string name() const;
};

inline constexpr SampleFormat kFormatNone{0};
inline constexpr SampleFormat kUInt8{0x01626201};  // WAV 8-bit PCM ("byte")
inline constexpr SampleFormat kInt8{0x01636301};   // AIFF 8-bit ("char")
inline constexpr SampleFormat kInt16LE{0x36316902};
inline constexpr SampleFormat kInt16BE{0x02693136};
inline constexpr SampleFormat kInt24LE{0x34326903};
inline constexpr SampleFormat kInt24BE{0x03693234};
inline constexpr SampleFormat kInt32LE{0x32336904};
inline constexpr SampleFormat kInt32BE{0x04693332};
inline constexpr SampleFormat kFloat32LE{0x32336604};
inline constexpr SampleFormat kFloat32BE{0x04663332};
inline constexpr SampleFormat kFloat64LE{0x34366608};
inline constexpr SampleFormat kFloat64BE{0x08663634};
inline constexpr SampleFormat kCompressed{0x003E3C00};   // {0, '<', '>', 0}
inline constexpr SampleFormat kUnsupported{0x003F3F00};  // {0, '?', '?', 0}

inline constexpr SampleFormat kFloat32Host =
    kHostOrder == ByteOrder::kLittle ? kFloat32LE : kFloat32BE;

// Conversion classes (the 24-bit codes take a separate path).
enum class SampleClass : int {
  kInt8 = 0,
  kInt16 = 1,
  kInt32 = 2,
  kFloat32 = 3,
  kFloat64 = 4,
  kInt24 = 5,
  kNone = 6
};
SampleClass ClassOf(SampleFormat f);

// The sample format of a WAV format record by tag and bits (the WAV reader's
// rule): tag 1 and 0xFFFE by bits 8/16/24/32, tag 3 by 32/64 bits, tags 6 and
// 7 "Compressed", tag 0 or other bit counts "Unsupported", tag 0xFFFF and the
// remaining tags 0.
SampleFormat SampleFormatFromWave(uint16_t tag, uint16_t bits);

// Frame rate, channel count and sample format. Frames are interleaved.
struct SoundFormat {
  uint32_t frame_rate = 0;
  uint32_t channels = 0;
  SampleFormat sample_format;

  uint32_t frame_bytes() const { return channels * uint32_t(sample_format.bytes_per_sample()); }
  friend bool operator==(const SoundFormat&, const SoundFormat&) = default;
};

enum class SoundfileType : int {
  kNone = 0,
  kWav = 1,
  kAiff = 2,
  kAifc = 3,
  // a file that is neither RIFF nor FORM, read by libsndfile
  // (FLAC, Ogg, MP3, ...).
  kOther = 4,
};

}  // namespace audio::formats

namespace audio {
using formats::SampleFormat;
using formats::SoundfileType;
using formats::SoundFormat;
}  // namespace audio
