// Writing WAV files (what the recorder needs).
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "../small_file_system.h"
#include "soundfile/byte_order.h"
#include "soundfile/formats.h"
#include "soundfile/soundfile.h"
#include "test_util.h"

namespace {

using namespace audio;
using namespace audio::formats;
using sftest::DiskSize;
using sftest::TempDir;

uint32_t FileU32(const std::string& path, size_t offset) {
  const sftest::Bytes b = sftest::ReadFile(path);
  EXPECT_GE(b.size(), offset + 4);
  return audio::detail::LoadLE32(b.data() + offset);
}

std::vector<float> TestSignal(size_t n) {
  std::vector<float> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = float(0.9 * std::sin(0.01 * double(i)) + (i % 7 == 0 ? 0.05 : 0.0));
  if (n > 3) {
    v[1] = 1.0f;
    v[2] = -1.0f;
    v[3] = 1.5f;  // clipped
  }
  return v;
}

TEST(WavWriter, MonoSixteenBitHeaderAfterCommitAndSizeAfterClose) {
  TempDir dir;
  const std::string path = dir.file("mono.wav");
  {
    Soundfile sf = CreateSoundfile(path, 44100, 1, kInt16LE);
    EXPECT_EQ(sf.type, SoundfileType::kWav);
    ASSERT_TRUE(sf.encoder);
    ASSERT_TRUE(sf.decoder);  // detection ran over the fresh header
    EXPECT_EQ(sf.decoder->frame_count(), 0);
    // Space reserved: max(1 MiB, 44100 × 60000 / 1000).
    EXPECT_EQ(DiskSize(path), 2646000u);
    const std::vector<float> v = TestSignal(1000);
    EXPECT_EQ(sf.encoder->write(v.data(), v.size()), 1000u);
    auto* enc = dynamic_cast<WavEncoder*>(sf.encoder.get());
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(enc->riff_size(), 2036u);
    EXPECT_EQ(enc->data_size(), 2000u);
    EXPECT_EQ(sf.encoder->frame_count(), 1000);
    // The header on disk is valid now, while the file is still open.
    EXPECT_EQ(FileU32(path, 4), 2036u);
    EXPECT_EQ(FileU32(path, 40), 2000u);
    const sftest::SndRead open_read = sftest::ReadWithSndfile(path);
    ASSERT_TRUE(open_read.ok);
    EXPECT_EQ(open_read.info.frames, 1000);
    EXPECT_EQ(sf.encoder->clip_stats().clipped, 3u);  // 1.0, -1.0 and 1.5
  }
  EXPECT_EQ(DiskSize(path), 2044u);
  const sftest::Bytes b = sftest::ReadFile(path);
  const uint8_t expected_header[44] = {'R', 'I', 'F',  'F',  0xF4, 0x07, 0,    0,    'W',  'A', 'V',
                                       'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,   0,
                                       1,   0,   0x44, 0xAC, 0,    0,    0x88, 0x58, 0x01, 0,   2,
                                       0,   16,  0,    'd',  'a',  't',  'a',  0xD0, 0x07, 0,   0};
  EXPECT_EQ(std::memcmp(b.data(), expected_header, 44), 0);
  // Read back by our own reader, the samples are the converted values.
  const Soundfile back = OpenSoundfile(path);
  EXPECT_EQ(back.decoder->frame_count(), 1000);
  const block blk = back.decoder->get_block(0, 4);
  int16_t s[4];
  std::memcpy(s, blk.begin, 8);
  EXPECT_EQ(s[1], 32767);
  EXPECT_EQ(s[2], -32767);
  EXPECT_EQ(s[3], 32767);
}

TEST(WavWriter, CommitsAccumulate) {
  TempDir dir;
  const std::string path = dir.file("commit.wav");
  {
    Soundfile sf = CreateSoundfile(path, 8000, 2, kInt16LE);
    sf.encoder->commit(10);
    sf.encoder->commit(5);
    EXPECT_EQ(sf.encoder->frame_count(), 15);
    EXPECT_EQ(FileU32(path, 4), 36u + 60u);
    // An odd sample count: only whole frames are written.
    const std::vector<float> v(7, 0.25f);
    EXPECT_EQ(sf.encoder->write(v.data(), 7), 6u);
    EXPECT_EQ(sf.encoder->frame_count(), 18);
  }
  EXPECT_EQ(DiskSize(path), 44u + 72u);
}

class WrittenFile : public ::testing::TestWithParam<int> {};

// 24-bit and float files: libsndfile and sox read the samples back.
TEST_P(WrittenFile, ReadBackBySoxAndLibsndfile) {
  const int bytes = GetParam();
  TempDir dir;
  const std::string path = dir.file("w.wav");
  const size_t frames = 3000;
  const std::vector<float> v = TestSignal(frames * 2);
  std::optional<Soundfile> slot;
  std::string status;
  ASSERT_EQ(OpenOutputSoundfile(slot, path, MakeWaveFormat(48000, 2, bytes), status), 1);
  ASSERT_TRUE(slot);
  // Written in blocks, as the recorder does.
  for (size_t i = 0; i < frames * 2; i += 512) {
    const size_t n = std::min<size_t>(512, frames * 2 - i);
    ASSERT_EQ(slot->encoder->write(v.data() + i, n), n);
  }
  slot.reset();

  // The expected stored values.
  std::vector<int32_t> expect_int(v.size());
  std::vector<float> expect_float(v.size());
  if (bytes == 3) {
    std::vector<uint8_t> b24(v.size() * 3);
    GetInt24Converter(kFloat32LE, kInt24LE)->convert(v.data(), b24.data(), v.size());
    for (size_t i = 0; i < v.size(); ++i) {
      expect_int[i] = int32_t(uint32_t(b24[3 * i]) << 8 | uint32_t(b24[3 * i + 1]) << 16 |
                              uint32_t(b24[3 * i + 2]) << 24);
    }
  } else {
    expect_float = v;
  }

  const sftest::SndRead ref = sftest::ReadWithSndfile(path);
  ASSERT_TRUE(ref.ok);
  EXPECT_EQ(ref.info.frames, sf_count_t(frames));
  EXPECT_EQ(ref.info.samplerate, 48000);
  EXPECT_EQ(ref.info.channels, 2);
  for (size_t i = 0; i < v.size(); ++i) {
    if (bytes == 3) {
      ASSERT_EQ(ref.ints[i], expect_int[i]) << i;
    } else {
      ASSERT_EQ(ref.floats[i], expect_float[i]) << i;
    }
  }

  const std::string raw = dir.file("w.raw");
  // sox reads the file into its 32-bit internal samples: raw signed 32-bit.
  ASSERT_TRUE(sftest::Run("sox '" + path + "' -t raw -e signed -b 32 '" + raw + "'"))
      << "sox could not read the file (scripts/install-deps installs sox)";
  const sftest::Bytes r = sftest::ReadFile(raw);
  ASSERT_EQ(r.size(), v.size() * 4);
  for (size_t i = 0; i < v.size(); ++i) {
    const int32_t s = int32_t(audio::detail::LoadLE32(&r[4 * i]));
    if (bytes == 3) {
      ASSERT_EQ(s, expect_int[i]) << i;
    } else {
      // sox turns float into 32-bit integers: within its rounding step.
      ASSERT_NEAR(double(s) * 0x1p-31, double(std::clamp(expect_float[i], -1.0f, 1.0f)), 1e-6) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, WrittenFile, ::testing::Values(3, 4),
                         [](const ::testing::TestParamInfo<int>& i) {
                           return i.param == 3 ? std::string("Int24") : std::string("Float32");
                         });

TEST(WavWriter, GrowsWhileRecordingAndIsCutOnClose) {
  TempDir dir;
  const std::string path = dir.file("long.wav");
  const std::vector<float> block(2048, 0.1f);
  size_t total = 0;
  {
    Soundfile sf = CreateSoundfile(path, 1000, 2, kFloat32LE);
    // 1000 × 60000 / 1000 = 60000 bytes is less than the 1 MiB already mapped.
    EXPECT_EQ(DiskSize(path), 1048576u);
    for (int i = 0; i < 400; ++i) total += sf.encoder->write(block.data(), block.size());
    EXPECT_EQ(total, 400u * 2048u);
    EXPECT_GT(sf.file->size(), 44u + total * 4);
  }
  EXPECT_EQ(DiskSize(path), 44u + total * 4);
  const sftest::SndRead ref = sftest::ReadWithSndfile(path);
  ASSERT_TRUE(ref.ok);
  EXPECT_EQ(ref.info.frames, sf_count_t(total / 2));
  EXPECT_EQ(ref.floats.back(), 0.1f);
}

TEST(WavWriter, ReservationIsComputedIn32Bits) {
  TempDir dir;
  const std::string path = dir.file("96k.wav");
  Soundfile sf = CreateSoundfile(path, 96000, 2, kInt16LE);
  // 96000 × 60000 wraps in 32 bits: (5760000000 mod 2^32) / 1000 = 1465032.
  EXPECT_EQ(DiskSize(path), 1465032u);
}

TEST(WavWriter, ReopeningAnExistingFileReplacesIt) {
  TempDir dir;
  const std::string path = dir.file("again.wav");
  sftest::WriteFile(path, sftest::Bytes(5000000, 0xAB));
  {
    Soundfile sf = CreateSoundfile(path, 44100, 1, kInt16LE);
    const std::vector<float> v(100, 0.0f);
    sf.encoder->write(v.data(), v.size());
  }
  EXPECT_EQ(DiskSize(path), 244u);
  // A tiny existing file (shorter than the header) works too.
  sftest::WriteFile(path, sftest::Bytes(10, 1));
  { Soundfile sf = CreateSoundfile(path, 44100, 1, kInt16LE); }
  EXPECT_EQ(DiskSize(path), 44u);
}

TEST(WavWriter, OnlyLittleEndianFormats) {
  TempDir dir;
  const std::string path = dir.file("be.wav");
  try {
    CreateSoundfile(path, 44100, 2, kInt16BE);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "WAV format must be little-endian");
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_THROW(CreateSoundfile(path, 44100, 2, kCompressed), std::runtime_error);
}

TEST(WavWriter, OpenOutputSoundfileFailure) {
  TempDir dir;
  std::optional<Soundfile> slot;
  std::string status;
  const std::string good = dir.file("ok.wav");
  ASSERT_EQ(OpenOutputSoundfile(slot, good, MakeWaveFormat(44100, 2, 2), status), 1);
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->format.sample_format, kInt16LE);
  const auto* before = slot->encoder.get();
  const std::string bad = dir.file("no/such/folder/x.wav");
  EXPECT_EQ(OpenOutputSoundfile(slot, bad, MakeWaveFormat(44100, 2, 3), status), 0);
  EXPECT_EQ(status, "Could not open \"" + bad + "\" for output.\nNo such file or directory\n");
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->encoder.get(), before);  // the slot is left as it was
}

TEST(WavWriter, SamplesOfTwoThreeOrFourBytesOnly) {
  // The widths' records are read back above, by libsndfile and sox.
  EXPECT_THROW(MakeWaveFormat(44100, 2, 1), std::invalid_argument);
}

// A full disk ends the writing with a short write, never SIGBUS, whether the
// file system reserves space itself (tmpfs) or has no fallocate (ext2); what was
// written reads back whole.
void FillTheDisk(kornmill_test::SmallFileSystem::Kind kind) {
  TempDir dir;
  kornmill_test::SmallFileSystem fs(kind, dir.path(), 4096);
  ASSERT_TRUE(fs.mounted()) << fs.error();
  const std::string path = fs.file("full.wav");
  const std::vector<float> block = TestSignal(512);
  size_t written = 0;
  {
    Soundfile sf = CreateSoundfile(path, 22050, 2, kFloat32LE);
    sftest::DiagCapture diag;
    for (int i = 0; i < 100000; ++i) {
      const size_t n = sf.encoder->write(block.data(), block.size());
      written += n;
      if (n < block.size()) break;
    }
    ASSERT_FALSE(diag.lines().empty());
    EXPECT_NE(diag.lines().back().find("No space left on device"), std::string::npos)
        << diag.lines().back();
  }
  // At least the space reserved on creation (rate × 60 bytes) is used.
  EXPECT_GE(written * 4 + 44 + 1024 + block.size() * 4, size_t(22050) * 60);
  const sftest::SndRead back = sftest::ReadWithSndfile(path);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(size_t(back.info.frames) * 2, written);
  EXPECT_EQ(DiskSize(path), 44 + written * 4);
  for (size_t i = 0; i < written; i += 997) {
    ASSERT_EQ(back.floats[i], block[i % 512]) << i;
  }
}

TEST(WavWriter, FullDiskWithoutFallocateIsAShortWrite) {
  FillTheDisk(kornmill_test::SmallFileSystem::Kind::kExt2);
}

TEST(WavWriter, FullTmpfsIsAShortWrite) {
  FillTheDisk(kornmill_test::SmallFileSystem::Kind::kTmpfs);
}

}  // namespace
