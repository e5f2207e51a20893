// The publishing step on a real engine: loop, grains and peaks as rendered, no allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "engine_fixture.h"
#include "soundview/snapshot_publisher.h"

#include "../allocation_counter.h"

namespace kornmill {
namespace {

class SnapshotPublisherTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    sound = test::MakeSound(kFrames, 2, 44100, [](int f, int c) {
      return static_cast<float>(std::sin(f * 0.01 + c));
    }, 44100);
    UseSound(sound.get());
  }
  void RenderAndPublish() {
    RenderBlock();
    publisher.Publish(*engine, stream(), out.data(), engine->block_frames(), 2, true);
  }
  static constexpr int kFrames = 88200;
  std::unique_ptr<Sound> sound;
  SnapshotPublisher publisher;
};

TEST_F(SnapshotPublisherTest, SnapshotHoldsTheLoopTheGrainsAndThePeaksOfTheBlock) {
  Set(kLoopStart, 2048);  // half way
  Set(kLoopLength, 1024);  // a quarter of the sound
  Set(kGrainFreq, 16106);  // 1000 grains a second: about 100 sounding
  Play();
  for (int b = 0; b < 40; ++b) RenderAndPublish();
  ASSERT_TRUE(publisher.Update());
  const ViewSnapshot& snap = publisher.latest();
  EXPECT_EQ(snap.block, 39u);
  EXPECT_EQ(snap.sound, sound.get());
  EXPECT_EQ(snap.frame_count, kFrames);
  EXPECT_EQ(snap.channels, 2);
  EXPECT_EQ(snap.input_mask, kInputBoth);
  // The position scale spans the sound plus a channel's worth: a little under.
  EXPECT_NEAR(snap.loop_start, kFrames / 2, kFrames / 1000);
  EXPECT_NEAR(snap.loop_length, kFrames / 4, kFrames / 1000);
  EXPECT_GE(snap.loop_position, snap.loop_start);
  EXPECT_LE(snap.loop_position, snap.loop_start + snap.loop_length + 1);
  ASSERT_GT(snap.grain_count, 10);
  EXPECT_EQ(snap.grain_count, engine->active_grains());
  for (int i = 0; i < snap.grain_count; ++i) {
    EXPECT_GE(snap.grains[i].frame, 0);
    EXPECT_LT(snap.grains[i].frame, kFrames);
    EXPECT_GE(snap.grains[i].envelope, 0.0f);
    EXPECT_LE(snap.grains[i].envelope, 1.0f);
  }
  float left = 0, right = 0;
  for (size_t i = 0; i < out.size(); i += 2) {
    left = std::max(left, std::fabs(out[i]));
    right = std::max(right, std::fabs(out[i + 1]));
  }
  EXPECT_GT(left, 0.0f);
  EXPECT_EQ(snap.peak_left, left);
  EXPECT_EQ(snap.peak_right, right);
}

TEST_F(SnapshotPublisherTest, DisabledPublisherLeavesTheLastSnapshot) {
  Play();
  RenderAndPublish();
  ASSERT_TRUE(publisher.Update());
  publisher.set_enabled(false);
  RenderAndPublish();
  EXPECT_FALSE(publisher.Update());
  EXPECT_EQ(publisher.latest().block, 0u);
}

TEST_F(SnapshotPublisherTest, PublishingAllocatesNothingWithThousandsOfGrainsSounding) {
  Set(kGrainFreq, 16384);
  Set(kGrainLength, 2048);
  Play();
  for (int b = 0; b < 300; ++b) {
    RenderBlock();
    counting = true;
    publisher.Publish(*engine, stream(), out.data(), engine->block_frames(), 2, true);
    counting = false;
  }
  EXPECT_GT(engine->active_grains(), 2000);
  ASSERT_TRUE(publisher.Update());
  EXPECT_EQ(publisher.latest().grain_count, std::min(engine->active_grains(), kViewGrains));
  EXPECT_EQ(publisher.latest().grains_sounding, engine->active_grains());
  EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
}  // namespace kornmill
