// The WAV and AIFF/AIFC readers and the chunk search, on hand-built files.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "soundfile/formats.h"
#include "soundfile/soundfile.h"
#include "test_util.h"

namespace {

using namespace audio;
using namespace audio::formats;
using namespace sftest;

class Reader : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b, const std::string& name = "t.snd") {
    const std::string path = dir_.file(name);
    WriteFile(path, b);
    return path;
  }
  Soundfile Open(const Bytes& b) { return OpenSoundfile(Write(b)); }

  template <class E>
  std::string OpenError(const Bytes& b) {
    try {
      Open(b);
    } catch (const E& e) {
      return e.what();
    }
    return "(no error)";
  }

  static std::vector<float> ReadAll(const Soundfile& sf) {
    std::vector<float> out(size_t(sf.decoder->frame_count()) * sf.format.channels);
    EXPECT_EQ(sf.decoder->read(out.data(), sf.decoder->frame_count()), sf.decoder->frame_count());
    return out;
  }

  TempDir dir_;
};

TEST(FindChunk, FindsAndResynchronises) {
  Bytes b;
  Append(b, RiffChunk("LIST", Bytes(3, 'x')));  // odd size, padded
  Append(b, RiffChunk("data", Bytes(4, 1)));
  Chunk c = find_chunk(b.data(), 0, b.size(), Fourcc("data"), false);
  EXPECT_TRUE(c.found());
  EXPECT_EQ(c.offset, 20);
  EXPECT_EQ(c.size, 4u);
  EXPECT_EQ(c.header_offset(), 12);
  EXPECT_EQ(FourccText(c.id), "data");

  // Not found: id 0, size 0, offset -1.
  Chunk none = find_chunk(b.data(), 0, b.size(), Fourcc("fmt "), false);
  EXPECT_EQ(none.id, 0u);
  EXPECT_EQ(none.size, 0u);
  EXPECT_EQ(none.offset, -1);

  // A chunk running past the end whose size field looks like an id: move on
  // by 4 bytes and read the size field as the next id.
  Bytes r;
  Put(r, "JUNK");
  Put(r, "data");
  PutLE32(r, 2);
  PutLE16(r, 7);
  Chunk d = find_chunk(r.data(), 0, r.size(), Fourcc("data"), false);
  EXPECT_EQ(d.offset, 12);
  EXPECT_EQ(d.size, 2u);

  // Running past the end with an invalid id: the search stops.
  Bytes s;
  Put(s, "\x01\x02\x03\x04");
  PutLE32(s, 1000);
  Append(s, RiffChunk("data", Bytes(2)));
  EXPECT_FALSE(find_chunk(s.data(), 0, s.size(), Fourcc("data"), false).found());
  // Valid id but a size that is not an id: stops too.
  Bytes t;
  Put(t, "JUNK");
  PutLE32(t, 1000);
  Append(t, RiffChunk("data", Bytes(2)));
  EXPECT_FALSE(find_chunk(t.data(), 0, t.size(), Fourcc("data"), false).found());

  // No valid id right after a chunk: scanning goes on from its data.
  Bytes u;
  Put(u, "JUNK");
  PutLE32(u, 12);
  Append(u, RiffChunk("data", Bytes(2)));  // inside JUNK's 12 bytes
  Append(u, Bytes(4, 0xFF));               // what follows JUNK is not an id
  Chunk inner = find_chunk(u.data(), 0, u.size(), Fourcc("data"), false);
  EXPECT_EQ(inner.offset, 16);

  // Big-endian sizes.
  Bytes f = FormChunk("COMM", Bytes(18));
  Chunk comm = find_chunk(f.data(), 0, f.size(), Fourcc("COMM"), true);
  EXPECT_EQ(comm.size, 18u);

  // A header cut short is never read.
  Bytes tiny = {'d', 'a', 't', 'a', 1, 0};
  EXPECT_FALSE(find_chunk(tiny.data(), 0, tiny.size(), Fourcc("data"), false).found());
}

TEST_F(Reader, OddChunksWithPadBytesBeforeData) {
  Bytes chunks = RiffChunk("LIST", Bytes(5, 'a'));
  Append(chunks, RiffChunk("fmt ", FmtPayload(1, 2, 22050, 16)));
  Append(chunks, RiffChunk("bext", Bytes(7, 'b')));
  Append(chunks, RiffChunk("ABCD", Bytes(1, 'c')));
  Append(chunks, RiffChunk("data", Ramp16LE(8, 3)));
  const Soundfile sf = Open(Riff(chunks));
  EXPECT_EQ(sf.format.channels, 2u);
  EXPECT_EQ(sf.format.frame_rate, 22050u);
  EXPECT_EQ(sf.decoder->frame_count(), 4);
  const auto v = ReadAll(sf);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(v[size_t(i)], float(i * 3 * (1.0 / 32767)));
  std::ostringstream dump;
  sf.decoder->dump_chunks(dump);
  EXPECT_EQ(dump.str(),
            "<chunk fourcc=\"fmt \" filepos=\"26\" size=\"16\"  />\n"
            "<chunk fourcc=\"data\" filepos=\"76\" size=\"16\"  />\n");
}

TEST_F(Reader, FmtChunkShorterThanTheRecord) {
  // A 14-byte fmt (no bits field): the rest of the record reads as zero.
  Bytes fmt = FmtPayload(1, 1, 8000, 16);
  fmt.resize(14);
  Bytes chunks = RiffChunk("fmt ", fmt);
  Append(chunks, RiffChunk("data", Ramp16LE(4)));
  const Soundfile sf = Open(Riff(chunks));
  EXPECT_EQ(sf.format.sample_format, kUnsupported);
  EXPECT_EQ(sf.decoder->frame_count(), 0);
}

TEST_F(Reader, ExtraSizeOf240IsCopiedWhole) {
  // The largest extra part accepted, on an IEEE-float record: all 240 bytes
  // are kept beside the record (the sanitizer build sees any byte written
  // past the area) and the samples read as usual.
  Bytes fmt = FmtPayload(3, 1, 48000, 32);
  PutLE16(fmt, 240);
  for (int i = 0; i < 240; ++i) fmt.push_back(uint8_t(0xA0 + i % 16));
  Bytes chunks = RiffChunk("fmt ", fmt);
  Bytes data;
  for (float f : {0.5f, -0.25f}) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutLE32(data, u);
  }
  Append(chunks, RiffChunk("data", data));
  const Soundfile sf = Open(Riff(chunks));
  EXPECT_EQ(sf.format.sample_format, kFloat32LE);
  EXPECT_EQ(ReadAll(sf), (std::vector<float>{0.5f, -0.25f}));
}

TEST_F(Reader, ExtraSizeOf241OrMoreKeepsOnlyTheFirst16Bytes) {
  // An extensible record whose extra size is 241: the GUID is not copied, the
  // hook finds no subtype and the file takes the compressed path, which
  // libsndfile cannot read here.
  Bytes fmt = FmtPayload(0xFFFE, 1, 44100, 16);
  PutLE16(fmt, 241);
  fmt.resize(fmt.size() + 241, 0);
  Bytes chunks = RiffChunk("fmt ", fmt);
  Append(chunks, RiffChunk("data", Ramp16LE(4)));
  try {
    const Soundfile sf = Open(Riff(chunks));
    EXPECT_EQ(dynamic_cast<WavDecoder*>(sf.decoder.get()), nullptr);
  } catch (const FormatError&) {
  }
}

TEST_F(Reader, DataPastTheEndFailsOnReading) {
  Bytes chunks = RiffChunk("fmt ", FmtPayload(1, 1, 44100, 16));
  Put(chunks, "data");
  PutLE32(chunks, 0xFFFFFFF0u);
  Append(chunks, Ramp16LE(1000));
  const Soundfile sf = Open(Riff(chunks));
  EXPECT_EQ(sf.decoder->frame_count(), 0x7FFFFFF8);
  std::vector<float> out(1000);
  EXPECT_EQ(sf.decoder->read_frames(out.data(), 0, 1000), 1000);  // what is there reads
  std::vector<float> more(1001);
  DiagCapture diag;
  try {
    sf.decoder->read(more.data(), 1001);
    FAIL();
  } catch (const TruncatedFileError& e) {
    EXPECT_STREQ(e.what(),
                 "the file ends after 2000 of the 4294967280 bytes of sound data its header "
                 "announces");
  }
  EXPECT_TRUE(diag.contains("Error in Decoder::read 1000 + 1")) << diag.lines().size();
  EXPECT_THROW(sf.decoder->check_complete(), TruncatedFileError);
}

Bytes SimpleAiff(const char* form, const char* compression, int16_t bits, const Bytes& samples,
                 uint32_t frames, int16_t channels = 1, uint32_t rate = 44100,
                 uint32_t ssnd_offset = 0) {
  Bytes chunks = FormChunk("COMM", CommPayload(channels, frames, bits, rate, compression));
  Append(chunks, FormChunk("SSND", SsndPayload(samples, ssnd_offset)));
  return Form(chunks, form);
}

Bytes Be16(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) PutBE16(b, uint16_t(int16_t(x)));
  return b;
}

TEST_F(Reader, FilesWithoutTheirChunksAreOfUnknownFormat) {
  const Bytes fmt = RiffChunk("fmt ", FmtPayload(1, 1, 8000, 16));
  const Bytes comm = FormChunk("COMM", CommPayload(1, 1, 16, 8000));
  const std::string text = "This is not a sound file at all, just some text.\n";
  const Bytes files[] = {Riff(fmt, "AVI "),
                         Riff(RiffChunk("data", Ramp16LE(4))),
                         Riff(fmt),
                         Form(comm, "8SVX"),
                         Form(FormChunk("SSND", SsndPayload(Be16({1})))),
                         Form(comm),
                         Bytes(text.begin(), text.end())};
  for (const Bytes& b : files) {
    EXPECT_EQ(OpenError<FormatError>(b), "Unknown soundfile format") << &b - files;
  }
}

// The sizes and compression types sox cannot write (the others are in the corpus).
TEST_F(Reader, AiffSizesAndTypesBeyondTheCorpus) {
  EXPECT_EQ(Open(SimpleAiff("AIFF", nullptr, 12, Be16({1}), 1)).format.sample_format, kInt16BE);
  DiagCapture diag;
  EXPECT_EQ(Open(SimpleAiff("AIFF", nullptr, 40, Bytes(5), 1)).format.sample_format, kFormatNone);
  EXPECT_TRUE(diag.contains("Sample size 40 not supported"));
  EXPECT_EQ(Open(SimpleAiff("AIFC", "sowt", 8, Bytes(1), 1)).format.sample_format, kInt8);
  Bytes fl;
  PutBE32(fl, 0x3F000000);  // 0.5f
  const Soundfile upper = Open(SimpleAiff("AIFC", "FL32", 32, fl, 1));
  EXPECT_EQ(upper.format.sample_format, kFloat32BE);
  EXPECT_EQ(ReadAll(upper), (std::vector<float>{0.5f}));
}

TEST_F(Reader, UnknownAifcCompression) {
  DiagCapture diag;
  const Soundfile sf = Open(SimpleAiff("AIFC", "ima4", 16, Bytes(34), 64));
  EXPECT_TRUE(diag.contains("Sample format 'ima4' not supported"));
  EXPECT_EQ(sf.format.sample_format, kFormatNone);
  std::vector<float> out(64);
  try {
    sf.decoder->read(out.data(), 64);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Could not handle data conversion");
  }
}

TEST_F(Reader, SsndOffsetFieldIsNotApplied) {
  const Soundfile sf = Open(SimpleAiff("AIFF", nullptr, 16, Be16({100, 200, 300}), 3, 1, 22050, 2));
  EXPECT_EQ(sf.decoder->data_offset(), 12 + 26 + 8 + 8);
  EXPECT_EQ(ReadAll(sf)[0], float(100 * (1.0 / 32767)));
}

TEST_F(Reader, AiffChunksBeforeAndBetween) {
  // A chunk before COMM and an odd chunk between COMM and SSND.
  Bytes chunks = FormChunk("NAME", Bytes(3, 'n'));
  Append(chunks, FormChunk("COMM", CommPayload(2, 2, 16, 48000)));
  Append(chunks, FormChunk("ANNO", Bytes(5, 'a')));
  Append(chunks, FormChunk("SSND", SsndPayload(Be16({1, 2, 3, 4}))));
  const Soundfile sf = Open(Form(chunks));
  EXPECT_EQ(sf.format.channels, 2u);
  EXPECT_EQ(sf.format.frame_rate, 48000u);
  EXPECT_EQ(ReadAll(sf)[3], float(4 * (1.0 / 32767)));
  std::ostringstream dump;
  sf.decoder->dump_chunks(dump);
  EXPECT_EQ(dump.str(),
            "<chunk fourcc=\"COMM\" filepos=\"24\" size=\"18\"  />\n"
            "<chunk fourcc=\"SSND\" filepos=\"64\" size=\"16\"  />\n");
}

// Rates that are no rate (NaN, infinite, negative, 2^32, below 1 Hz or above
// 1 MHz) are refused by name instead of read as 1 Hz or 2^31 Hz.
TEST_F(Reader, AiffRatesOutsideOneHertzToOneMegahertzAreRefused) {
  auto with_rate = [](uint16_t exponent, uint64_t mantissa) {
    Bytes comm = CommPayload(1, 2, 16, 8000);
    comm[8] = uint8_t(exponent >> 8);
    comm[9] = uint8_t(exponent);
    for (int k = 0; k < 8; ++k) comm[size_t(10 + k)] = uint8_t(mantissa >> (56 - 8 * k));
    Bytes chunks = FormChunk("COMM", comm);
    Append(chunks, FormChunk("SSND", SsndPayload(Be16({1, 2}))));
    return Form(chunks);
  };
  const uint64_t top = uint64_t(1) << 63;
  const struct {
    uint16_t exponent;
    uint64_t mantissa;
    const char* shown;
  } refused[] = {{0x7FFF, top | 1, "nan"},
                 {0x7FFF, top, "inf"},
                 {0x8000 | 16398, uint64_t(0xAC44) << 48, "-44100"},
                 {16383 + 32, top, "4.29497e+09"},
                 {16383 - 1, top, "0.5"},
                 {16383 + 20, top, "1.04858e+06"}};
  for (const auto& r : refused) {
    EXPECT_EQ(OpenError<SoundfileError>(with_rate(r.exponent, r.mantissa)),
              std::string("Sample rate ") + r.shown + " Hz is not a rate from 1 Hz to 1 MHz");
  }
  EXPECT_EQ(Open(with_rate(16383, top)).format.frame_rate, 1u);
  EXPECT_EQ(Open(with_rate(16383 + 19, top)).format.frame_rate, 524288u);
  // A WAV rate is checked the same way.
  Bytes chunks = RiffChunk("fmt ", FmtPayload(1, 1, 2000000, 16));
  Append(chunks, RiffChunk("data", Ramp16LE(4)));
  EXPECT_EQ(OpenError<SoundfileError>(Riff(chunks)),
            "Sample rate 2e+06 Hz is not a rate from 1 Hz to 1 MHz");
}

// 24-bit samples in 4-byte containers (block align 4 × channels) stand
// left-justified in their containers: read as such, not as packed 24-bit.
TEST_F(Reader, TwentyFourBitSamplesInFourByteContainers) {
  Bytes fmt = FmtPayload(1, 2, 48000, 24);
  fmt[12] = 8;  // block align: 4 bytes a sample
  Bytes chunks = RiffChunk("fmt ", fmt);
  Bytes data;
  for (uint32_t v : {0x12345600u, 0x80000000u, 0x7FFFFF00u, 0xFFFFFF00u}) PutLE32(data, v);
  Append(chunks, RiffChunk("data", data));
  const Soundfile sf = Open(Riff(chunks));
  EXPECT_EQ(sf.format.sample_format, kInt32LE);
  EXPECT_EQ(sf.decoder->frame_count(), 2);
  EXPECT_EQ(ReadAll(sf), (std::vector<float>{float(0x12345600 * 0x1p-31), -1.0f,
                                             float(0x7FFFFF00 * 0x1p-31), float(-256 * 0x1p-31)}));
  // 12-bit samples in 2-byte containers read as 16-bit.
  Bytes fmt12 = FmtPayload(1, 1, 8000, 12);
  fmt12[12] = 2;
  Bytes c12 = RiffChunk("fmt ", fmt12);
  Append(c12, RiffChunk("data", Ramp16LE(3, 16)));
  EXPECT_EQ(Open(Riff(c12)).format.sample_format, kInt16LE);
}

TEST_F(Reader, AiffCountsPastTheEnd) {
  const Soundfile sf = Open(SimpleAiff("AIFF", nullptr, 16, Be16({1, 2}), 0xFFFFFFFFu));
  EXPECT_EQ(sf.decoder->frame_count(), 0xFFFFFFFFll);
  std::vector<float> out(3);
  EXPECT_THROW(sf.decoder->read(out.data(), 3), std::out_of_range);
  // A negative channel count reads as none.
  const Soundfile neg = Open(SimpleAiff("AIFF", nullptr, 16, Be16({1, 2}), 2, -2));
  EXPECT_EQ(neg.format.channels, 0u);
  EXPECT_EQ(neg.decoder->read(out.data(), 2), 0);
}

TEST_F(Reader, GetBlockAndGetFramesWithinTheDataOnly) {
  Bytes chunks = RiffChunk("fmt ", FmtPayload(1, 1, 44100, 16));
  Append(chunks, RiffChunk("data", Ramp16LE(10, 100)));
  const Soundfile sf = Open(Riff(chunks));
  block b = sf.decoder->get_block(4, 2);
  EXPECT_EQ(b.offset, 44u + 8);
  EXPECT_EQ(int16_t(b.begin[0] | b.begin[1] << 8), 400);
  block f = sf.decoder->get_frames(5, 1);
  EXPECT_EQ(int16_t(f.begin[0] | f.begin[1] << 8), 500);
  EXPECT_THROW(sf.decoder->get_block(-1, 1), std::out_of_range);
  EXPECT_THROW(sf.decoder->get_block(10, 1), std::out_of_range);
  EXPECT_EQ(sf.decoder->get_block(10).size(), 0u);
  // Requests beyond any size.
  EXPECT_THROW(sf.decoder->get_block(INT64_MAX / 2, 1), std::out_of_range);
  EXPECT_THROW(sf.decoder->get_block(0, INT64_MAX / 2), std::out_of_range);
  EXPECT_THROW(sf.decoder->get_frames(INT64_MAX / 2, 2), std::out_of_range);
  std::vector<float> out(10);
  EXPECT_EQ(sf.decoder->read_frames(out.data(), INT64_MAX, 5), 0);
  EXPECT_EQ(sf.decoder->read_frames(out.data(), -5, 5), 5);
}

}  // namespace
