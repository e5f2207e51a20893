// The block ring and the Play/Stop/Soft Stop state machine, driven through a hand-stepped device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/block_ring.h"
#include "output/output_texts.h"
#include "output_fakes.h"
#include "resources/ids.h"

namespace kornmill {
namespace {

using testing::CountingWaker;
using testing::SteppedProvider;

class PlayStateTest : public testing::SteppedOutputTest {
 protected:
  void SetUp() override {
    SteppedOutputTest::SetUp();
    Init();
  }
  static bool Silent(const std::vector<int16_t>& b) {
    for (int16_t s : b)
      if (s != 0) return false;
    return true;
  }
};

// × 32767.5 in double, rounded to nearest even, clipped to ±32767; NaN is silence.
TEST(ConvertTo16Bit, RoundsTheExactProductAndClips) {
  const struct {
    float in;
    int16_t out;
  } rows[] = {
      {-0.37358662486076355f, -12241},  // -12241.4997...: in float it would round to -12242
      {0.9f, 29491},                    // 29490.75 (× 32767 would give 29490)
      {-0.9f, -29491},
      {0.5f, 16384},  // 16383.75
      {1.0f, 32767},  // 32767.5 rounds to the even 32768, then clips
      {-1.0f, -32767},
      {-7.0f, -32767},
      {1e30f, 32767},
      {0.0f, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0},
  };
  // A block takes four samples at a time and the rest one by one: every row is
  // converted in every place of a block.
  constexpr int kRows = static_cast<int>(std::size(rows));
  for (int shift = 0; shift < kRows; ++shift) {
    float in[kRows];
    int16_t out[kRows];
    for (int i = 0; i < kRows; ++i) in[i] = rows[(i + shift) % kRows].in;
    ConvertTo16Bit(in, out, kRows);
    for (int i = 0; i < kRows; ++i) EXPECT_EQ(out[i], rows[(i + shift) % kRows].out) << in[i];
  }
}

TEST_F(PlayStateTest, PlayOpensTheDeviceAndQueuesFourRenderedBlocks) {
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing());
  EXPECT_EQ(provider->log.opens, 1);
  EXPECT_EQ(provider->log.starts, 1);
  EXPECT_EQ(provider->log.last.rate, 22050u);
  EXPECT_EQ(provider->log.last.channels, 2);
  EXPECT_EQ(provider->log.last.frames, 256u);
  EXPECT_EQ(provider->log.last.buffers, 4);
  EXPECT_EQ(out.queued(), 4);
  EXPECT_EQ(out.fill_index(), 0);
  EXPECT_EQ(engine.frame_clock(), 4 * 256);
  EXPECT_EQ(view.play, testing::kShowsStop);

  // The device gets the oldest block, converted; the main thread refills it.
  std::vector<int16_t> expect(512);
  ConvertTo16Bit(out.float_block(0), expect.data(), 512);
  auto first = Pull();
  EXPECT_EQ(first, expect);
  EXPECT_FALSE(Silent(first));
  EXPECT_EQ(out.queued(), 4);
  EXPECT_EQ(out.fill_index(), 1);
  EXPECT_EQ(out.blocks_played(), 1);
  for (int i = 0; i < 10; ++i) Pull();
  EXPECT_EQ(out.blocks_played(), 11);
  EXPECT_EQ(out.underruns(), 0);
  EXPECT_EQ(engine.frame_clock(), 15 * 256);
}

TEST_F(PlayStateTest, StopClosesAtOnceWithoutSoftStopOrBeforeAnyBlockPlayed) {
  out.TogglePlay(kPlayFromButton);
  out.TogglePlay(kPlayFromButton);  // nothing played yet: no soft stop
  EXPECT_FALSE(out.playing());
  EXPECT_EQ(provider->log.closes, 1);
  out.config().soft_stop = 0;
  out.TogglePlay(kPlayFromButton);
  Pull();
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  EXPECT_FALSE(out.stopping());
  EXPECT_EQ(provider->log.closes, 2);
  EXPECT_EQ(view.play, testing::kShowsPlay);
  EXPECT_EQ(out.blocks_played(), 0);  // cleared by the report
}

TEST_F(PlayStateTest, SoftStopDrainsToSilenceThenCloses) {
  // Grains of 2 s (1448² / 2^20): the soft stop cuts them to half a second.
  SetControlTarget(streams, kGrainLength, 1448, false, 22050, 0);
  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 20; ++i) Pull();
  ASSERT_GT(engine.active_grains(), 0);
  out.TogglePlay(kPlayFromButton);
  EXPECT_TRUE(out.playing());
  EXPECT_TRUE(out.stopping());
  EXPECT_TRUE(engine.stopping());
  EXPECT_EQ(view.play, testing::kShowsPlay);
  // Half a second at 22050 Hz is 43 blocks of 256; the four queued ones come on top.
  int steps = 0;
  for (; out.playing() && steps < 100; ++steps) Pull();
  EXPECT_GE(steps, 43);
  EXPECT_LE(steps, 43 + 4 + 2);
  EXPECT_EQ(engine.active_grains(), 0);
  EXPECT_EQ(provider->log.closes, 1);
  EXPECT_FALSE(engine.stopping());
}

TEST_F(PlayStateTest, PlayDuringSoftStopResumesOnTheOpenDevice) {
  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 5; ++i) Pull();
  out.TogglePlay(kPlayFromButton);
  Pull();
  const int fill = out.fill_index();
  const int queued = out.queued();
  out.TogglePlay(kPlayFromButton);
  EXPECT_TRUE(out.playing());
  EXPECT_FALSE(out.stopping());
  EXPECT_FALSE(engine.stopping());
  EXPECT_FALSE(out.device_open());
  EXPECT_EQ(provider->log.opens, 1);
  EXPECT_EQ(provider->log.starts, 1);
  EXPECT_EQ(provider->log.closes, 0);
  EXPECT_EQ(out.fill_index(), fill);
  EXPECT_EQ(out.queued(), queued);
  EXPECT_EQ(view.play, testing::kShowsStop);
  for (int i = 0; i < 60; ++i) Pull();
  EXPECT_TRUE(out.playing());
  EXPECT_GT(engine.active_grains(), 0);
}

TEST_F(PlayStateTest, QKeyStopsPlayAndResetsEveryPlayButton) {
  bool q = false;
  out.set_key_state([&] { return q; });
  view.gesture_open = true;
  out.TogglePlay(kPlayFromGesture);
  EXPECT_TRUE(out.gesture_active());
  EXPECT_EQ(view.gesture_play, testing::kShowsStop);
  Pull();
  EXPECT_TRUE(out.playing());
  q = true;
  Pull();
  EXPECT_FALSE(out.playing());
  EXPECT_FALSE(out.gesture_active());
  EXPECT_EQ(view.gesture_play, testing::kShowsPlay);
  // The main window's button too: it must not go on saying "Sto&p".
  EXPECT_EQ(view.play, testing::kShowsPlay);
  EXPECT_EQ(provider->log.closes, 1);
}

// A block the main thread has not refilled in time plays as silence; five in 200 blocks are
// reported when play stops, two are not.
TEST_F(PlayStateTest, UnderrunsAreCountedAndReportedFromFive) {
  out.config().soft_stop = 0;
  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 6; ++i) provider->device->Pull();  // the main thread is busy
  EXPECT_EQ(out.underruns(), 2);
  out.TogglePlay(kPlayFromButton);
  EXPECT_TRUE(view.status.empty());
  EXPECT_EQ(out.underruns(), 0);

  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 191; ++i) Pull();
  for (int i = 0; i < 4; ++i) provider->device->Pull();
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(Silent(provider->device->Pull()));
  EXPECT_EQ(out.blocks_played(), 200);
  EXPECT_EQ(out.underruns(), 5);
  out.TogglePlay(kPlayFromButton);
  ASSERT_EQ(view.status.size(), 1u);
  EXPECT_EQ(view.status[0], "5 buffer underruns in performance (2.5 %)");
  EXPECT_EQ(out.underruns(), 0);
  EXPECT_EQ(out.blocks_played(), 0);
}

TEST_F(PlayStateTest, RefusedOpenShowsTheDevicesReason) {
  provider->fail =
      "the requested sample rate (22050) is different than the JACK server rate (48000).";
  out.config().selected_device = 65536;
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  EXPECT_EQ(view.play, testing::kShowsPlay);
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("JACK server rate (48000)"), std::string::npos);
  EXPECT_EQ(view.errors[0].rfind("RtAudio Error: ", 0), 0u);
}

TEST_F(PlayStateTest, UnrenderableDeviceBlockSizeIsRefused) {
  provider->force_frames = 100;
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("100 frames"), std::string::npos);
}

TEST_F(PlayStateTest, MidiPlayKeepsTheRunningState) {
  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 3; ++i) Pull();
  out.config().soft_stop = 0;
  out.TogglePlay(kPlayFromButton);
  const int32_t clock = engine.frame_clock();
  out.StartPlay(kPlayFromMidi);
  EXPECT_EQ(engine.frame_clock(), clock + 4 * 256);  // not reset by a note
}

// At start-up a stored device that is gone gives way to the first device, or to the null device
// on a machine without sound; a box says so when a device was named. Playing on the null device
// there says once that it plays silently.
TEST(OutputStartUp, StoredSelectionsAreChecked) {
  const struct {
    int devices;
    int32_t stored;
    int32_t chosen;
    const char* warning;
  } rows[] = {
      {2, MakeRtAudioSelection(4, 7), MakeRtAudioSelection(4, 0),
       "Could not find the stored sound device \"(JACK) device 7\", using \"(JACK) stepped 0\""},
      {0, MakeRtAudioSelection(1, 2), 0,
       "Could not find the stored sound device \"(ALSA) device 2\", using \"(Null) Null output (no "
       "sound card)\""},
      {0, kRtAudioDeviceBase, 0, nullptr},  // the default selection names no device
      {0, 5, 0, nullptr},
  };
  for (const auto& r : rows) {
    testing::OutputRig<CountingWaker> rig;
    rig.out.set_device_provider(std::make_unique<SteppedProvider>(r.devices));
    rig.out.config().selected_device = r.stored;
    rig.out.InitAudioOutput();
    EXPECT_EQ(rig.out.config().selected_device, r.chosen) << r.stored;
    EXPECT_EQ(rig.view.warnings,
              r.warning ? std::vector<std::string>{r.warning} : std::vector<std::string>{});
    for (int i = 0; i < 2; ++i) {
      rig.out.TogglePlay(kPlayFromButton);
      rig.out.StopPlay();
    }
    EXPECT_EQ(rig.view.status, r.devices ? std::vector<std::string>{}
                                         : std::vector<std::string>{kTextPlaysSilently});
  }
}

// The built-in null device consumes blocks on its own clock thread; the test
// thread plays the main loop. Counts only: cadence on a busy machine varies.
TEST(NullDeviceOutput, PlaysWithoutASoundCard) {
  testing::OutputRig<testing::LoopWaker> rig;
  auto& [engine, streams, view, waker, out] = rig;
  out.config().selected_device = 0;
  out.InitAudioOutput("/tmp", "");
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 30; }, std::chrono::seconds(60)));
  const int queued = out.queued();
  const int played = out.blocks_played();
  const int underruns = out.underruns();
  EXPECT_NEAR(engine.frame_clock() / 256, played - underruns + queued, 2);
  out.config().soft_stop = 0;
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  EXPECT_EQ(view.play, testing::kShowsPlay);
}

TEST(OutputSelection, HostApiIsKeptAboveTheDeviceBit) {
  const int32_t s = MakeRtAudioSelection(4, 3);
  EXPECT_EQ(s & 0x1FFFF, 65536 + 3);
  EXPECT_TRUE(IsRtAudioSelection(s));
  EXPECT_EQ(SelectionApi(s), 4);
  EXPECT_EQ(SelectionDeviceIndex(s), 3);
  EXPECT_EQ(SelectionApi(65536), 0);
  EXPECT_FALSE(IsRtAudioSelection(-1));
}

// Stops the play from inside a block fill (as the renderer's score does), at
// the n-th fill, either by the Stop button or by the Q key's immediate stop.
class StopDuringFill : public BlockObserver {
 public:
  StopDuringFill(AudioOutput& out, int at, bool immediate)
      : out_(out), at_(at), immediate_(immediate) {}
  void BeforeBlock() override {
    if (fills_++ != at_) return;
    if (immediate_) {
      out_.StopPlay();
    } else {
      out_.SoftStop();
    }
  }

 private:
  AudioOutput& out_;
  int at_;
  bool immediate_;
  int fills_ = 0;
};

// A stop while Play fills its first blocks leaves a consistent idle state: the
// device closed, the button showing Play, and a next Play that works.
TEST_F(PlayStateTest, StopWhilePlayFillsItsFirstBlocksLeavesPlayOff) {
  for (bool immediate : {false, true}) {
    for (int at = 0; at < kBlockCount; ++at) {
      StopDuringFill stop(out, at, immediate);
      out.set_block_observer(&stop);
      out.TogglePlay(kPlayFromButton);
      EXPECT_FALSE(out.playing()) << at;
      EXPECT_FALSE(out.stopping()) << at;
      EXPECT_EQ(provider->log.closes, provider->log.opens) << at;
      EXPECT_EQ(view.play, testing::kShowsPlay) << at;
      waker.Drain(out);
      out.set_block_observer(nullptr);
      out.TogglePlay(kPlayFromButton);
      ASSERT_TRUE(out.playing());
      EXPECT_EQ(out.queued(), kBlockCount);
      out.StopPlay();
    }
  }
}

// Once a block has played, the same stop is a soft stop: play drains, and the
// button shows Play while it does.
TEST_F(PlayStateTest, SoftStopDuringAResumedPlaysFillsShowsPlay) {
  out.TogglePlay(kPlayFromButton);
  Pull();
  out.TogglePlay(kPlayFromButton);  // soft stop: draining
  ASSERT_TRUE(out.stopping());
  provider->device->Pull();  // a free block for the resumed play to fill
  StopDuringFill stop(out, 0, false);
  out.set_block_observer(&stop);
  out.TogglePlay(kPlayFromButton);  // resume; its first fill stops again
  EXPECT_TRUE(out.playing());
  EXPECT_TRUE(out.stopping());
  EXPECT_EQ(view.play, testing::kShowsPlay);
  out.set_block_observer(nullptr);
}

}  // namespace
}  // namespace kornmill
