#include "soundfile/sample_format.h"

namespace audio::formats {

std::string SampleFormat::name() const {
  if (*this == kCompressed) return "Compressed";
  if (*this == kUnsupported) return "Unsupported";
  const ByteOrder order = byte_order();
  if (order == ByteOrder::kUnknown) return "Unknown";
  const char k = kind();
  if (bytes_per_sample() == 1) {
    if (k == 'b') return "byte";
    if (k == 'c') return "char";
    return "Unknown";
  }
  std::string s;
  if (k == 'i') {
    s = "int";
  } else if (k == 'f') {
    s = "float";
  } else {
    return "Unknown";
  }
  const char tens = char(order == ByteOrder::kLittle ? byte(2) : byte(1));
  const char ones = char(order == ByteOrder::kLittle ? byte(3) : byte(0));
  s += tens;
  s += ones;
  s += order == ByteOrder::kLittle ? "_LE" : "_BE";
  return s;
}

SampleClass ClassOf(SampleFormat f) {
  if (f == kUInt8 || f == kInt8) return SampleClass::kInt8;
  if (f == kInt16LE || f == kInt16BE) return SampleClass::kInt16;
  if (f == kInt24LE || f == kInt24BE) return SampleClass::kInt24;
  if (f == kInt32LE || f == kInt32BE) return SampleClass::kInt32;
  if (f == kFloat32LE || f == kFloat32BE) return SampleClass::kFloat32;
  if (f == kFloat64LE || f == kFloat64BE) return SampleClass::kFloat64;
  return SampleClass::kNone;
}

SampleFormat SampleFormatFromWave(uint16_t tag, uint16_t bits) {
  switch (tag) {
    case 1:
    case 0xFFFE:
      switch (bits) {
        case 8:
          return kUInt8;
        case 16:
          return kInt16LE;
        case 24:
          return kInt24LE;
        case 32:
          return kInt32LE;
        default:
          return kUnsupported;
      }
    case 3:
      switch (bits) {
        case 32:
          return kFloat32LE;
        case 64:
          return kFloat64LE;
        default:
          return kUnsupported;
      }
    case 6:
    case 7:
      return kCompressed;
    case 0:
      return kUnsupported;
    default:
      return kFormatNone;
  }
}

}  // namespace audio::formats
