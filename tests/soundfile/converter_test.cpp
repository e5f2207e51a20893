// Sample format codes and the conversions the program makes: every format a
// file holds to float samples when reading, and float samples to 16-bit, 24-bit
// and float when recording. The sound-file corpus checks the reading side on
// real files as well.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "soundfile/converters.h"
#include "soundfile/sample_format.h"
#include "test_util.h"

namespace {

using namespace audio::formats;

TEST(SampleFormat, SizesOrdersNamesAndTheWaveRule) {
  struct Row {
    SampleFormat f;
    int bytes;
    ByteOrder order;
    const char* name;
  };
  const Row rows[] = {
      {kUInt8, 1, ByteOrder::kLittle, "byte"},
      {kInt24BE, 3, ByteOrder::kBig, "int24_BE"},
      {kFloat64LE, 8, ByteOrder::kLittle, "float64_LE"},
      {kCompressed, 0, ByteOrder::kUnknown, "Compressed"},
      {kFormatNone, 0, ByteOrder::kUnknown, "Unknown"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.f.bytes_per_sample(), r.bytes);
    EXPECT_EQ(r.f.byte_order(), r.order);
    EXPECT_EQ(r.f.name(), r.name);
  }
  // The WAVE tag and bit count; the common cases are read from sox's files.
  EXPECT_EQ(SampleFormatFromWave(1, 12), kUnsupported);
  EXPECT_EQ(SampleFormatFromWave(3, 16), kUnsupported);
  EXPECT_EQ(SampleFormatFromWave(0xFFFE, 24), kInt24LE);
  EXPECT_EQ(SampleFormatFromWave(6, 8), kCompressed);
  EXPECT_EQ(SampleFormatFromWave(0, 16), kUnsupported);
  EXPECT_EQ(SampleFormatFromWave(0xFFFF, 16), kFormatNone);
}

template <class D, class S>
std::vector<D> Convert(SampleFormat from, SampleFormat to, const std::vector<S>& src,
                       Converter** keep = nullptr) {
  static std::unique_ptr<Converter> last;
  last = MakeConverter(from, to);
  std::vector<D> out(src.size());
  (*last)(src.data(), out.data(), src.size());
  if (keep) *keep = last.get();
  return out;
}

TEST(Converters, Int16ToFloatIsRoundedOnceFromDouble) {
  std::vector<int16_t> all;
  for (int x = -32768; x <= 32767; ++x) all.push_back(int16_t(x));
  const auto f = Convert<float>(kInt16LE, kFloat32LE, all);
  for (size_t i = 0; i < all.size(); ++i) {
    const float want = float(all[i] * (1.0 / 32767));
    ASSERT_EQ(std::memcmp(&f[i], &want, 4), 0) << all[i];
  }
  EXPECT_EQ(f[32768 + 32767], 1.0f);
}

TEST(Converters, EightBitToFloat) {
  std::vector<uint8_t> all;
  for (int x = 0; x < 256; ++x) all.push_back(uint8_t(x));
  const auto u = Convert<float>(kUInt8, kFloat32LE, all);
  const auto s = Convert<float>(kInt8, kFloat32LE, all);
  for (int x = 0; x < 256; ++x) {
    EXPECT_EQ(u[size_t(x)], float((x - 128) * (1.0 / 127)));
    EXPECT_EQ(s[size_t(x)], float(int8_t(uint8_t(x)) * (1.0 / 127)));
  }
  EXPECT_EQ(u[128], 0.0f);
  EXPECT_EQ(u[255], 1.0f);
}

TEST(Converters, Int32And24ToFloat) {
  const std::vector<int32_t> v = {0, 1, -1, 2147483647, -2147483647 - 1, 123456789, -987654321};
  const auto f = Convert<float>(kInt32LE, kFloat32LE, v);
  for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(f[i], float(v[i] * 0x1p-31));
  // 24-bit: bytes in the top of a 32-bit integer, then × 2^−31.
  const std::vector<uint8_t> b24 = {0x01, 0x00, 0x00, 0xFF, 0xFF, 0x7F,
                                    0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF};
  std::vector<float> out(4);
  MakeConverter(kInt24LE, kFloat32LE)->convert(b24.data(), out.data(), 4);
  EXPECT_EQ(out[0], float(256 * 0x1p-31));
  EXPECT_EQ(out[1], float(0x7FFFFF00 * 0x1p-31));
  EXPECT_EQ(out[2], -1.0f);
  EXPECT_EQ(out[3], float(-256 * 0x1p-31));
  const std::vector<uint8_t> b24be = {0x00, 0x00, 0x01, 0x7F, 0xFF, 0xFF,
                                      0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  std::vector<float> out_be(4);
  MakeConverter(kInt24BE, kFloat32LE)->convert(b24be.data(), out_be.data(), 4);
  EXPECT_EQ(out_be, out);
}

TEST(Converters, FloatToInt16ClipsAndCounts) {
  Converter* c = nullptr;
  const std::vector<float> v = {1.0f, -1.5f, 0.5f, -0.25f, 0.0f};
  const auto out = Convert<int16_t>(kFloat32LE, kInt16LE, v, &c);
  EXPECT_EQ(out, (std::vector<int16_t>{32767, -32767, 16384, -8192, 0}));
  EXPECT_EQ(c->clip_count(), 2u);
  EXPECT_EQ(c->clip_stats().max_value, 1.0);
  EXPECT_EQ(c->clip_stats().min_value, -1.5);
  EXPECT_FALSE(c->clip_stats().last_clipped);
  // Only the value 1.0 counted once.
  const auto one = Convert<int16_t>(kFloat32LE, kInt16LE, std::vector<float>{1.0f}, &c);
  EXPECT_EQ(one[0], 32767);
  EXPECT_EQ(c->clip_count(), 1u);
  EXPECT_TRUE(c->clip_stats().last_clipped);
  // NaN becomes 0 and counts as clipped.
  const auto nan = Convert<int16_t>(
      kFloat32LE, kInt16LE, std::vector<float>{std::numeric_limits<float>::quiet_NaN()}, &c);
  EXPECT_EQ(nan[0], 0);
  EXPECT_EQ(c->clip_count(), 1u);
}

// Blocks go four samples at a time and the rest one by one: the values, the
// clip count, the extremes and the last sample's clip are those of each sample.
TEST(Converters, FloatToInt16BlocksCountLikeSamples) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> v = {0.5f, -0.25f, 1.0f, nan, 0.75f, -inf, 0.999f, -1.0f, 3.0f, -0.5f};
  const std::vector<int16_t> expect = {16384, -8192, 32767, 0,      24575,
                                       -32767, 32734, -32767, 32767, -16384};
  for (size_t n : {size_t{4}, size_t{8}, size_t{9}, size_t{10}}) {
    Converter* c = nullptr;
    const std::vector<float> in(v.begin(), v.begin() + static_cast<ptrdiff_t>(n));
    const auto out = Convert<int16_t>(kFloat32LE, kInt16LE, in, &c);
    EXPECT_EQ(out, std::vector<int16_t>(expect.begin(), expect.begin() + static_cast<ptrdiff_t>(n)));
    // 1.0 is past the limit (1 - 2^-23), like NaN, -inf and 3.0.
    EXPECT_EQ(c->clip_count(), n == 4 ? 2u : n == 8 ? 4u : 5u) << n;
    EXPECT_EQ(c->clip_stats().max_value, n >= 9 ? 3.0 : 1.0) << n;
    EXPECT_EQ(c->clip_stats().min_value, n >= 6 ? -double(inf) : -0.25) << n;
    EXPECT_EQ(c->clip_stats().last_clipped, n != 10) << n;
  }
}

TEST(Converters, FloatWidths) {
  // Beyond float's range a double sample becomes infinite (the loader then
  // silences it).
  const auto f = Convert<float>(kFloat64LE, kFloat32LE, std::vector<double>{0.1, 1e300, -1e300});
  EXPECT_EQ(f[0], 0.1f);
  EXPECT_TRUE(std::isinf(f[1]) && f[1] > 0);
  EXPECT_TRUE(std::isinf(f[2]) && f[2] < 0);
  const std::vector<float> same = {0.25f, -0.75f};
  EXPECT_EQ(Convert<float>(kFloat32LE, kFloat32LE, same), same);
}

TEST(Converters, IllegalConversions) {
  sftest::DiagCapture diag;
  try {
    MakeConverter(kFloat32LE, kInt24LE);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "Illegal conversion - 24-bit are not usable in app code?\n"
                 "conversion may be accessible from GetInt24Converter");
  }
  EXPECT_TRUE(diag.contains("float32_LE => int24_LE"));
  try {
    MakeConverter(kCompressed, kFloat32LE);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Could not handle data conversion");
  }
  EXPECT_TRUE(diag.contains("Compressed => float32_LE"));
  EXPECT_THROW(MakeConverter(kUnsupported, kFloat32LE), std::runtime_error);
}

int32_t Load24(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
}

TEST(Converters, FloatTo24Bit) {
  auto c = GetInt24Converter(kFloat32LE, kInt24LE);
  const std::vector<float> v = {1.0f,           -1.0f,           0.0f,
                                0.5f,           1.0f / 8388608,  1.4f / 8388608,
                                1.5f / 8388608, -1.5f / 8388608, 2.0f};
  std::vector<uint8_t> out(3 * v.size());
  (*c)(v.data(), out.data(), v.size());
  std::vector<int32_t> got;
  for (size_t i = 0; i < v.size(); ++i) got.push_back(Load24(&out[3 * i]));
  EXPECT_EQ(got, (std::vector<int32_t>{8388607, -8388607, 0, 4194304, 1, 1, 2, -2, 8388607}));
  EXPECT_EQ(c->clip_count(), 3u);
  EXPECT_EQ(out[0], 0xFF);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_EQ(out[2], 0x7F);
}

TEST(Converters, TwentyFourBitRoundTrip) {
  // Every 24-bit value survives 24 -> float32 -> 24 within one step.
  auto to_float = MakeConverter(kInt24LE, kFloat32LE);
  auto to_24 = GetInt24Converter(kFloat32LE, kInt24LE);
  std::vector<uint8_t> in;
  std::vector<int32_t> values;
  for (int32_t x = -8388608; x <= 8388607; x += 997) {
    values.push_back(x);
    in.push_back(uint8_t(x));
    in.push_back(uint8_t(x >> 8));
    in.push_back(uint8_t(x >> 16));
  }
  std::vector<float> f(values.size());
  (*to_float)(in.data(), f.data(), values.size());
  std::vector<uint8_t> back(in.size());
  (*to_24)(f.data(), back.data(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const int32_t want = std::max(values[i], -8388607);
    ASSERT_EQ(Load24(&back[3 * i]), want) << values[i];
  }
}

}  // namespace
