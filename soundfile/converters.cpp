#include "soundfile/converters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "soundfile/diagnostics.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace audio::formats {
namespace {

// Per-pair details the element functions need besides the classes.
struct Params {
  bool src_unsigned8 = false;  // source is the unsigned 8-bit code
  bool dst_unsigned8 = false;
  ByteOrder dst24_order = ByteOrder::kLittle;  // for 24-bit destinations
  ByteOrder src24_order = ByteOrder::kLittle;  // for 24-bit sources
};

using ElementFn = void (*)(const uint8_t* src, uint8_t* dst, size_t n, const Params& p,
                           ClipStats& st);

template <class T>
inline T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
inline void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// ---- Integer access by class: 8-bit values are centred (signed) ----------

template <SampleClass C>
struct IntTraits;
template <>
struct IntTraits<SampleClass::kInt8> {
  static constexpr int kBits = 8;
  static constexpr size_t kSize = 1;
  static int32_t Read(const uint8_t* p, bool u) {
    return u ? int32_t(*p) - 128 : int32_t(int8_t(*p));
  }
  static void Write(uint8_t* p, int32_t v, bool u) { *p = uint8_t(u ? v + 128 : v); }
  static constexpr double kToF32 = 1.0 / 127;
  static constexpr double kToF64 = 1.0 / 127;
  static constexpr float kFromF32 = 127.0f;
  static constexpr double kFromF64 = 127.0;
};
template <>
struct IntTraits<SampleClass::kInt16> {
  static constexpr int kBits = 16;
  static constexpr size_t kSize = 2;
  static int32_t Read(const uint8_t* p, bool) { return Load<int16_t>(p); }
  static void Write(uint8_t* p, int32_t v, bool) { Store<int16_t>(p, int16_t(v)); }
  static constexpr double kToF32 = 1.0 / 32767;
  static constexpr double kToF64 = 1.0 / 32767;
  static constexpr float kFromF32 = 32767.0f;
  static constexpr double kFromF64 = 32767.0;
};
template <>
struct IntTraits<SampleClass::kInt32> {
  static constexpr int kBits = 32;
  static constexpr size_t kSize = 4;
  static int32_t Read(const uint8_t* p, bool) { return Load<int32_t>(p); }
  static void Write(uint8_t* p, int32_t v, bool) { Store<int32_t>(p, v); }
  static constexpr double kToF32 = 0x1p-31;
  static constexpr double kToF64 = 1.0 / 2147483647;
  static constexpr float kFromF32 = 2147483648.0f;
  static constexpr double kFromF64 = 2147483647.0;
};

constexpr float kClip32 = 0x1.fffffcp-1f;         // 1 − 2^−23
constexpr double kClip64 = 0x1.fffffffffffffp-1;  // 1 − 2^−53

// Clips a float source value and keeps the statistics.
template <class F>
inline F Clip(F x, F limit, ClipStats& st) {
  if (x > st.max_value) st.max_value = double(x);
  if (x < st.min_value) st.min_value = double(x);
  if (x > limit) {
    st.clipped++;
    st.last_clipped = true;
    return limit;
  }
  if (x < -limit) {
    st.clipped++;
    st.last_clipped = true;
    return -limit;
  }
  if (x != x) {  // NaN
    st.clipped++;
    st.last_clipped = true;
    return F(0);
  }
  st.last_clipped = false;
  return x;
}

// double -> float without undefined behaviour for values beyond float's range.
inline float NarrowToFloat(double d) {
  constexpr double kMax = double(std::numeric_limits<float>::max());
  if (d > kMax) return std::numeric_limits<float>::infinity();
  if (d < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(d);
}

// Float to 16 bits four samples at a time: the same clip, statistics, float
// product and rounding (in the current rounding mode, as lrintf) as Clip and
// the one-sample loop, which converts what is left. Returns the samples done.
inline size_t FloatToInt16Lanes(const uint8_t* src, uint8_t* dst, size_t n, ClipStats& st) {
#if defined(__SSE2__)
  if (n < 4) return 0;
  const __m128 limit = _mm_set1_ps(kClip32), negative_limit = _mm_set1_ps(-kClip32);
  const __m128 scale = _mm_set1_ps(IntTraits<SampleClass::kInt16>::kFromF32);
  __m128 high = _mm_set1_ps(-std::numeric_limits<float>::infinity());
  __m128 low = _mm_set1_ps(std::numeric_limits<float>::infinity());
  __m128i clipped = _mm_setzero_si128();  // minus the clipped count of each lane
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128 x = _mm_loadu_ps(reinterpret_cast<const float*>(src + i * 4));
    high = _mm_max_ps(x, high);  // x > high ? x : high, so NaN changes nothing
    low = _mm_min_ps(x, low);
    const __m128 number = _mm_cmpord_ps(x, x);
    const __m128 outside = _mm_or_ps(_mm_cmpgt_ps(x, limit), _mm_cmplt_ps(x, negative_limit));
    clipped = _mm_add_epi32(clipped, _mm_castps_si128(_mm_or_ps(outside, _mm_cmpunord_ps(x, x))));
    const __m128 c = _mm_min_ps(_mm_max_ps(_mm_and_ps(x, number), negative_limit), limit);
    const __m128i v = _mm_cvtps_epi32(_mm_mul_ps(c, scale));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i * 2), _mm_packs_epi32(v, v));
  }
  alignas(16) float highs[4], lows[4];
  alignas(16) int32_t counts[4];
  _mm_store_ps(highs, high);
  _mm_store_ps(lows, low);
  _mm_store_si128(reinterpret_cast<__m128i*>(counts), clipped);
  for (int k = 0; k < 4; ++k) {
    if (highs[k] > st.max_value) st.max_value = double(highs[k]);
    if (lows[k] < st.min_value) st.min_value = double(lows[k]);
    st.clipped += uint64_t(-int64_t{counts[k]});
  }
  const float last = Load<float>(src + (i - 1) * 4);
  st.last_clipped = last > kClip32 || last < -kClip32 || last != last;
  return i;
#else
  (void)src, (void)dst, (void)n, (void)st;
  return 0;
#endif
}

// ---- Element converters -------------------------------------------------

template <SampleClass S, SampleClass D>
void Element(const uint8_t* src, uint8_t* dst, size_t n, const Params& p, ClipStats& st) {
  constexpr bool kSrcInt =
      S == SampleClass::kInt8 || S == SampleClass::kInt16 || S == SampleClass::kInt32;
  constexpr bool kDstInt =
      D == SampleClass::kInt8 || D == SampleClass::kInt16 || D == SampleClass::kInt32;
  if constexpr (S == D && S != SampleClass::kInt8) {
    constexpr size_t kSize = S == SampleClass::kInt16 ? 2 : (S == SampleClass::kFloat64 ? 8 : 4);
    std::memmove(dst, src, n * kSize);
  } else if constexpr (S == SampleClass::kInt8 && D == SampleClass::kInt8) {
    const uint8_t flip = p.src_unsigned8 != p.dst_unsigned8 ? 0x80 : 0;
    for (size_t i = 0; i < n; ++i) dst[i] = uint8_t(src[i] ^ flip);
  } else if constexpr (kSrcInt && kDstInt) {
    using SI = IntTraits<S>;
    using DI = IntTraits<D>;
    constexpr int kShift = DI::kBits - SI::kBits;
    for (size_t i = 0; i < n; ++i) {
      int32_t x = SI::Read(src + i * SI::kSize, p.src_unsigned8);
      if constexpr (kShift > 0) {
        x = int32_t(uint32_t(x) << kShift);
      } else if constexpr (kShift < 0) {
        x >>= -kShift;
      }
      DI::Write(dst + i * DI::kSize, x, p.dst_unsigned8);
    }
  } else if constexpr (kSrcInt && D == SampleClass::kFloat32) {
    using SI = IntTraits<S>;
    for (size_t i = 0; i < n; ++i) {
      const int32_t x = SI::Read(src + i * SI::kSize, p.src_unsigned8);
      Store<float>(dst + i * 4, float(x * SI::kToF32));
    }
  } else if constexpr (kSrcInt && D == SampleClass::kFloat64) {
    using SI = IntTraits<S>;
    for (size_t i = 0; i < n; ++i) {
      const int32_t x = SI::Read(src + i * SI::kSize, p.src_unsigned8);
      Store<double>(dst + i * 8, x * SI::kToF64);
    }
  } else if constexpr (S == SampleClass::kFloat32 && kDstInt) {
    using DI = IntTraits<D>;
    size_t i = 0;
    if constexpr (D == SampleClass::kInt16) i = FloatToInt16Lanes(src, dst, n, st);
    for (; i < n; ++i) {
      const float c = Clip(Load<float>(src + i * 4), kClip32, st);
      const float scaled = c * DI::kFromF32;  // rounded to float32
      DI::Write(dst + i * DI::kSize, int32_t(std::lrintf(scaled)), p.dst_unsigned8);
    }
  } else if constexpr (S == SampleClass::kFloat64 && kDstInt) {
    using DI = IntTraits<D>;
    for (size_t i = 0; i < n; ++i) {
      const double c = Clip(Load<double>(src + i * 8), kClip64, st);
      const double scaled = c * DI::kFromF64;
      DI::Write(dst + i * DI::kSize, int32_t(std::llrint(scaled)), p.dst_unsigned8);
    }
  } else if constexpr (S == SampleClass::kFloat32 && D == SampleClass::kFloat64) {
    for (size_t i = 0; i < n; ++i) Store<double>(dst + i * 8, double(Load<float>(src + i * 4)));
  } else if constexpr (S == SampleClass::kFloat64 && D == SampleClass::kFloat32) {
    for (size_t i = 0; i < n; ++i)
      Store<float>(dst + i * 4, NarrowToFloat(Load<double>(src + i * 8)));
  } else {
    static_assert(S != S, "unhandled conversion pair");
  }
}

using C = SampleClass;
constexpr ElementFn kTable[5][5] = {
    {Element<C::kInt8, C::kInt8>, Element<C::kInt8, C::kInt16>, Element<C::kInt8, C::kInt32>,
     Element<C::kInt8, C::kFloat32>, Element<C::kInt8, C::kFloat64>},
    {Element<C::kInt16, C::kInt8>, Element<C::kInt16, C::kInt16>, Element<C::kInt16, C::kInt32>,
     Element<C::kInt16, C::kFloat32>, Element<C::kInt16, C::kFloat64>},
    {Element<C::kInt32, C::kInt8>, Element<C::kInt32, C::kInt16>, Element<C::kInt32, C::kInt32>,
     Element<C::kInt32, C::kFloat32>, Element<C::kInt32, C::kFloat64>},
    {Element<C::kFloat32, C::kInt8>, Element<C::kFloat32, C::kInt16>,
     Element<C::kFloat32, C::kInt32>, Element<C::kFloat32, C::kFloat32>,
     Element<C::kFloat32, C::kFloat64>},
    {Element<C::kFloat64, C::kInt8>, Element<C::kFloat64, C::kInt16>,
     Element<C::kFloat64, C::kInt32>, Element<C::kFloat64, C::kFloat32>,
     Element<C::kFloat64, C::kFloat64>},
};

// ---- 24-bit -------------------------------------------------------------

inline int32_t Read24(const uint8_t* s, ByteOrder order) {
  const uint32_t lo = order == ByteOrder::kBig ? s[2] : s[0];
  const uint32_t mid = s[1];
  const uint32_t hi = order == ByteOrder::kBig ? s[0] : s[2];
  return int32_t((lo << 8) | (mid << 16) | (hi << 24));  // low byte zero
}

inline void Write24(uint8_t* d, int32_t v, ByteOrder order) {
  const uint32_t u = uint32_t(v);
  const uint8_t b1 = uint8_t(u >> 8), b2 = uint8_t(u >> 16), b3 = uint8_t(u >> 24);
  if (order == ByteOrder::kBig) {
    d[0] = b3;
    d[1] = b2;
    d[2] = b1;
  } else {
    d[0] = b1;
    d[1] = b2;
    d[2] = b3;
  }
}

// The 24-bit path: a 24-bit source to any class (host order) or to 24-bit.
void From24(const uint8_t* src, uint8_t* dst, size_t n, SampleClass dc, const Params& p) {
  for (size_t i = 0; i < n; ++i) {
    const int32_t v = Read24(src + 3 * i, p.src24_order);
    switch (dc) {
      case SampleClass::kFloat32:
        Store<float>(dst + 4 * i, float(v * 0x1p-31));
        break;
      case SampleClass::kFloat64:
        Store<double>(dst + 8 * i, v * 0x1p-31);
        break;
      case SampleClass::kInt32:
        Store<int32_t>(dst + 4 * i, v);
        break;
      case SampleClass::kInt16:
        Store<int16_t>(dst + 2 * i, int16_t(v >> 16));
        break;
      case SampleClass::kInt8:
        IntTraits<SampleClass::kInt8>::Write(dst + i, v >> 24, p.dst_unsigned8);
        break;
      case SampleClass::kInt24:
        Write24(dst + 3 * i, v, p.dst24_order);
        break;
      case SampleClass::kNone:
        break;
    }
  }
}

// Rounds a 32-bit value to 24 bits as the 24-bit converter does.
inline int32_t RoundTo24(int64_t v) {
  int64_t a = v < 0 ? -v : v;
  if (a > 0x7FFFFF00) return int32_t(v);
  a = (a >> 8) + ((a >> 7) & 1);
  const int64_t r = (v < 0 ? -a : a) * 256;
  return int32_t(r);
}

inline int64_t ClampToInt32(long long v) {
  return std::clamp<long long>(v, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
}

void To24(const uint8_t* src, uint8_t* dst, size_t n, SampleClass sc, const Params& p,
          ClipStats& st) {
  for (size_t i = 0; i < n; ++i) {
    int64_t v = 0;
    switch (sc) {
      case SampleClass::kFloat32: {
        const float c = Clip(Load<float>(src + 4 * i), kClip32, st);
        v = RoundTo24(std::lrintf(c * 2147483648.0f));
        break;
      }
      case SampleClass::kFloat64: {
        const double c = Clip(Load<double>(src + 8 * i), kClip64, st);
        v = RoundTo24(ClampToInt32(std::llrint(c * 2147483648.0)));
        break;
      }
      case SampleClass::kInt32:
        v = RoundTo24(Load<int32_t>(src + 4 * i));
        break;
      case SampleClass::kInt16:
        v = int64_t(Load<int16_t>(src + 2 * i)) * 65536;
        break;
      case SampleClass::kInt8:
        v = int64_t(IntTraits<SampleClass::kInt8>::Read(src + i, p.src_unsigned8)) * 16777216;
        break;
      case SampleClass::kInt24:
        v = Read24(src + 3 * i, p.src24_order);
        break;
      case SampleClass::kNone:
        break;
    }
    Write24(dst + 3 * i, int32_t(v), p.dst24_order);
  }
}

// ---- Converter objects --------------------------------------------------

// Swaps the bytes of each sample of `size` bytes from src into dst.
void SwapBytes(const uint8_t* src, uint8_t* dst, size_t n, int size) {
  switch (size) {
    case 2:
      for (size_t i = 0; i < n; ++i) {
        dst[2 * i] = src[2 * i + 1];
        dst[2 * i + 1] = src[2 * i];
      }
      break;
    case 4:
      for (size_t i = 0; i < n; ++i) {
        uint32_t v = Load<uint32_t>(src + 4 * i);
        Store<uint32_t>(dst + 4 * i, __builtin_bswap32(v));
      }
      break;
    case 8:
      for (size_t i = 0; i < n; ++i) {
        uint64_t v = Load<uint64_t>(src + 8 * i);
        Store<uint64_t>(dst + 8 * i, __builtin_bswap64(v));
      }
      break;
    default:
      std::memmove(dst, src, n * size_t(size));
      break;
  }
}

class ElementConverter : public Converter {
 public:
  ElementConverter(SampleFormat from, SampleFormat to, ElementFn fn, Params p)
      : Converter(from, to), fn_(fn), p_(p) {}
  void convert(const void* src, void* dst, size_t n) override {
    fn_(static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), n, p_, stats_);
  }

 private:
  ElementFn fn_;
  Params p_;
};

// First swaps bytes per sample into a scratch buffer (which grows to fit and
// never shrinks), then converts from there.
class SwappingConverter : public Converter {
 public:
  SwappingConverter(SampleFormat from, SampleFormat to, ElementFn fn, Params p)
      : Converter(from, to), fn_(fn), p_(p), size_(from.bytes_per_sample()) {}
  void convert(const void* src, void* dst, size_t n) override {
    const size_t bytes = n * size_t(size_);
    if (scratch_.size() < bytes) scratch_.resize(bytes);
    SwapBytes(static_cast<const uint8_t*>(src), scratch_.data(), n, size_);
    fn_(scratch_.data(), static_cast<uint8_t*>(dst), n, p_, stats_);
  }

 private:
  ElementFn fn_;
  Params p_;
  int size_;
  std::vector<uint8_t> scratch_;
};

class From24Converter : public Converter {
 public:
  From24Converter(SampleFormat from, SampleFormat to, Params p)
      : Converter(from, to), p_(p), to_class_(ClassOf(to)) {}
  void convert(const void* src, void* dst, size_t n) override {
    From24(static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), n, to_class_, p_);
  }

 private:
  Params p_;
  SampleClass to_class_;
};

class To24Converter : public Converter {
 public:
  To24Converter(SampleFormat from, SampleFormat to, Params p, bool swap)
      : Converter(from, to), p_(p), from_class_(ClassOf(from)), swap_(swap) {}
  void convert(const void* src, void* dst, size_t n) override {
    const uint8_t* s = static_cast<const uint8_t*>(src);
    if (swap_) {
      const int size = from_.bytes_per_sample();
      if (scratch_.size() < n * size_t(size)) scratch_.resize(n * size_t(size));
      SwapBytes(s, scratch_.data(), n, size);
      s = scratch_.data();
    }
    To24(s, static_cast<uint8_t*>(dst), n, from_class_, p_, stats_);
  }

 private:
  Params p_;
  SampleClass from_class_;
  bool swap_;
  std::vector<uint8_t> scratch_;
};

Params ParamsFor(SampleFormat from, SampleFormat to) {
  Params p;
  p.src_unsigned8 = from == kUInt8;
  p.dst_unsigned8 = to == kUInt8;
  p.src24_order = from.byte_order();
  p.dst24_order = to.byte_order();
  return p;
}

}  // namespace

std::unique_ptr<Converter> MakeConverter(SampleFormat from, SampleFormat to) {
  const SampleClass fc = ClassOf(from);
  const SampleClass tc = ClassOf(to);
  // 1. A 24-bit source takes the 24-bit path to any class.
  if (fc == SampleClass::kInt24 && tc != SampleClass::kNone) {
    return std::make_unique<From24Converter>(from, to, ParamsFor(from, to));
  }
  // 2. A side without a class.
  if (fc == SampleClass::kNone || fc == SampleClass::kInt24 || tc == SampleClass::kNone ||
      tc == SampleClass::kInt24) {
    diag() << from.name() << " => " << to.name() << '\n';
    if (tc == SampleClass::kInt24) {
      throw std::runtime_error(
          "Illegal conversion - 24-bit are not usable in app code?\n"
          "conversion may be accessible from GetInt24Converter");
    }
    throw std::runtime_error("Could not handle data conversion");
  }
  // 3. The element converter.
  const ElementFn fn = kTable[int(fc)][int(tc)];
  // 4. A destination not in host order.
  if (to.byte_order() != kHostOrder) {
    diag() << "Data conversion warning - Byte-inverted data is not usable in app code?" << '\n';
  }
  // 5. A source not in host order gets the byte-swapping stage.
  if (from.byte_order() != kHostOrder) {
    return std::make_unique<SwappingConverter>(from, to, fn, ParamsFor(from, to));
  }
  return std::make_unique<ElementConverter>(from, to, fn, ParamsFor(from, to));
}

std::unique_ptr<Converter> GetInt24Converter(SampleFormat from, SampleFormat to) {
  const SampleClass fc = ClassOf(from);
  if (ClassOf(to) != SampleClass::kInt24 || fc == SampleClass::kNone) {
    diag() << from.name() << " => " << to.name() << '\n';
    throw std::runtime_error("Could not handle data conversion");
  }
  const bool swap =
      fc != SampleClass::kInt24 && fc != SampleClass::kInt8 && from.byte_order() != kHostOrder;
  return std::make_unique<To24Converter>(from, to, ParamsFor(from, to), swap);
}

}  // namespace audio::formats
