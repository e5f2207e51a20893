// Sample conversion between the file's encoding and the encodings the
// application works in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "soundfile/sample_format.h"

namespace audio::formats {

// What a conversion from float to integer has clipped. A float source is
// limited to ±(1 − 2^−23) (32-bit) or ±(1 − 2^−53) (64-bit) before scaling.
struct ClipStats {
  uint64_t clipped = 0;       // samples clipped (NaN counts as clipped and becomes 0)
  double max_value = 0;       // largest positive source value seen
  double min_value = 0;       // most negative source value seen
  bool last_clipped = false;  // whether the last sample converted was clipped
};

// A callable that converts n samples from a source pointer to a destination
// pointer. One converter object is used by one thread at a time.
class Converter {
 public:
  virtual ~Converter() = default;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  void operator()(const void* src, void* dst, size_t n) { convert(src, dst, n); }
  virtual void convert(const void* src, void* dst, size_t n) = 0;

  SampleFormat from() const { return from_; }
  SampleFormat to() const { return to_; }
  const ClipStats& clip_stats() const { return stats_; }
  uint64_t clip_count() const { return stats_.clipped; }
  void reset_clip_stats() { stats_ = ClipStats{}; }

 protected:
  Converter(SampleFormat from, SampleFormat to) : from_(from), to_(to) {}
  SampleFormat from_;
  SampleFormat to_;
  ClipStats stats_;
};

// The converter factory. A 24-bit source takes the 24-bit path to any class.
// A side without a class writes "<from> => <to>" to the diagnostic stream and
// throws std::runtime_error: "Illegal conversion - 24-bit are not usable in app
// code?\nconversion may be accessible from GetInt24Converter" when the
// destination is 24-bit, else "Could not handle data conversion". A destination
// whose byte order is not the host's writes "Data conversion warning -
// Byte-inverted data is not usable in app code?" (the conversion still runs and
// writes host order). A source in the other byte order gets a byte-swapping
// stage in front of the element converter.
//
// Integer to float computes the product in double and rounds once to float32:
// float(x * (1.0 / 32767)) for 16-bit, 1/127 for 8-bit (unsigned samples first
// centred by subtracting 128), 2^−31 for 32-bit and 24-bit (placed in the top
// of a 32-bit integer). Integer to 64-bit float: 1/127, 1/32767, 1/2147483647.
// Integer to wider integer shifts into the top bits. Integer to narrower
// integer (never asked for by the application) shifts right, truncating.
// Float to integer clips, scales by 127 / 32767 / 2147483648 (32-bit float
// source) or 127 / 32767 / 2147483647 (64-bit float source), rounds the product
// to the source's float width and then to the nearest integer (ties to even).
// Same class: a copy; between the two 8-bit codes the top bit is flipped.
std::unique_ptr<Converter> MakeConverter(SampleFormat from, SampleFormat to);

// The separate converter into 24-bit (kInt24LE or kInt24BE) from any class.
// Float sources: clip, multiply by 2^31, round to a 32-bit integer v; if
// |v| > 0x7FFFFF00 keep v, else round |v| to 24 bits ((|v| >> 8) plus bit 7 of
// |v|), restore the sign and shift back left by 8; store bytes 1, 2, 3 of v.
// Throws "Could not handle data conversion" for other pairs.
std::unique_ptr<Converter> GetInt24Converter(SampleFormat from, SampleFormat to = kInt24LE);

}  // namespace audio::formats
