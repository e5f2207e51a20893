// Loading hostile sound files: headers that claim more than the file holds, very wide and very
// short sounds, samples that are not numbers, and a memory check that counts everything.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "engine/sound_layout.h"
#include "../allocation_counter.h"
#include "loader_fakes.h"

namespace kornmill {
namespace {

using sftest::Bytes;

constexpr size_t kMiB = 1048576;

class LoaderLimits : public LoaderTest {
 protected:
  // Loads `bytes` as a file, noting the largest allocation meanwhile.
  Sound* LoadFile(const Bytes& bytes, const std::string& name = "f.wav") {
    const std::string path = dir_.file(name);
    sftest::WriteFile(path, bytes);
    largest = 0;
    counting = true;
    Sound* s = Load(path);
    counting = false;
    return s;
  }
};

Bytes Wav(uint16_t tag, uint16_t channels, uint16_t bits, const Bytes& data, uint32_t claimed = 0) {
  Bytes chunks = sftest::RiffChunk("fmt ", sftest::FmtPayload(tag, channels, 44100, bits));
  sftest::Put(chunks, "data");
  sftest::PutLE32(chunks, claimed ? claimed : uint32_t(data.size()));
  sftest::Append(chunks, data);
  return sftest::Riff(chunks);
}

// A 2 KB file whose data chunk claims 4 GiB fails at once, before the memory
// check and before anything large is allocated.
TEST_F(LoaderLimits, HeaderClaimingMoreThanTheFileFailsBeforeAllocating) {
  const std::string path = dir_.file("f.wav");
  EXPECT_EQ(LoadFile(Wav(1, 2, 16, sftest::Ramp16LE(1000), 0xFFFFFFF0u)), nullptr);
  ASSERT_EQ(host_.failed.size(), 1u);
  EXPECT_EQ(host_.failed[0],
            "Error: the file ends after 2000 of the 4294967280 bytes of sound data its header "
            "announces - could not read " +
                path);
  EXPECT_EQ(memory_checks_, 0);
  EXPECT_LT(largest.load(), kMiB);
}

// 65535 channels: the first two are kept, read through a bounded buffer.
TEST_F(LoaderLimits, WideFilesAreReadInBoundedChunks) {
  Bytes data;
  for (int frame = 0; frame < 2; ++frame) {
    for (int c = 0; c < 65535; ++c) sftest::PutLE16(data, uint16_t(c < 2 ? 1000 * (c + 1) : 7));
  }
  Sound* s = LoadFile(Wav(1, 65535, 16, data));
  ASSERT_NE(s, nullptr) << (host_.failed.empty() ? "" : host_.failed.back());
  EXPECT_EQ(s->frame_count, 2);
  EXPECT_EQ(s->channels, 2);
  EXPECT_EQ(s->samples[0], float(1000 * (1.0 / 32767)));
  EXPECT_EQ(s->samples[3], float(2000 * (1.0 / 32767)));
  EXPECT_LE(largest.load(), size_t(kReadChunkBytes) + 65535 * 4);
}

// A stereo sound of three frames: its guard is bounded (the unbounded rule
// asks for some 700 MB) and still covers every frame the renderers read.
TEST_F(LoaderLimits, VeryShortSoundsHaveABoundedGuard) {
  Sound* s = LoadFile(Wav(1, 2, 16, sftest::Ramp16LE(6, 1000)));
  ASSERT_NE(s, nullptr) << (host_.failed.empty() ? "" : host_.failed.back());
  EXPECT_EQ(s->frame_count, 3);
  EXPECT_LT(largest.load(), 2 * kMiB);
  const int64_t reach = 268435455 / std::lrint(s->position_scale) + 6;
  EXPECT_GE(int64_t(s->samples.size()), reach * 2 + 1);
  EXPECT_EQ(GuardFrameCount(s->position_scale, 3), int32_t(kModulusGuardLimit));
  // The guard repeats the sound.
  for (int i = 0; i < 40; ++i) EXPECT_EQ(s->samples[size_t(6 + i)], s->samples[size_t(i % 6)]);
}

// Sounds of 4096 frames or more keep the guard the unbounded rule gives.
TEST(GuardFrames, OrdinarySoundsKeepTheirGuard) {
  for (int32_t frames : {4096, 4097, 5000, 44100, 441000, 1234567}) {
    for (int channels : {1, 2}) {
      const float scale = PositionScale(frames, channels);
      const int64_t k = int64_t(scale);
      const int64_t unbounded =
          std::max<int64_t>(268435456 % k + 11, 268435455 / std::lrint(scale) + 6 - frames);
      EXPECT_EQ(GuardFrameCount(scale, frames), unbounded) << frames << " " << channels;
    }
  }
}

// The memory check counts the guard, the spare sample, the amplitude table and
// a wide file's read buffer, not only the frames (the loader tests see the
// check refuse a load by these figures).
TEST(LoadBytes, CountEverythingTheLoadAllocates) {
  const int32_t guard = GuardFrameCount(PositionScale(1000, 1), 1000);
  EXPECT_EQ(LoadBytes(1000, 1, 1, guard), ((1000u + guard) + 1 + 11) * 4u);
  EXPECT_EQ(LoadBytes(1000, 2, 8, guard),
            ((1000u + guard) * 2 + 1 + 11) * 4u + uint64_t(kReadChunkBytes));
}

// One NaN in a float source would make the whole mix NaN: such samples become
// silence when loading, and the loader says how many there were.
TEST_F(LoaderLimits, SamplesThatAreNotNumbersBecomeSilence) {
  Bytes data;
  const float values[] = {0.5f,   std::numeric_limits<float>::quiet_NaN(),
                          -0.25f, std::numeric_limits<float>::infinity(),
                          0.125f, 0.0f};
  for (float v : values) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    sftest::PutLE32(data, u);
  }
  const std::string path = dir_.file("nan.wav");
  Sound* s = LoadFile(Wav(3, 1, 32, data), "nan.wav");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->samples[0], 0.5f);
  EXPECT_EQ(s->samples[1], 0.0f);
  EXPECT_EQ(s->samples[3], 0.0f);
  for (float v : s->samples) EXPECT_TRUE(std::isfinite(v));
  for (float v : s->amp_table) EXPECT_TRUE(std::isfinite(v));
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_EQ(host_.notices[0],
            path + ": 2 samples that were not numbers (NaN or infinite) were replaced by silence");
}

}  // namespace
}  // namespace kornmill
