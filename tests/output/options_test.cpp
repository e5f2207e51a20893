// Sound-card options: block sizes and the buffer label, Test Play, OK and Cancel, a device that
// imposes its rate, and the output format of a file being written.
#include <gtest/gtest.h>

#include "controls/stream.h"
#include "engine/engine.h"
#include "engine/sound_layout.h"
#include "output/output_options.h"
#include "output_fakes.h"

namespace kornmill {
namespace {

using testing::MemoryFiles;
using testing::SteppedOutputTest;

TEST(SoundCardOptions, BufferLabelAndBlockPositions) {
  EXPECT_EQ(BufferLabel(256, 44100), "1024 frames, 23 ms");
  EXPECT_EQ(BufferLabel(256, 22050), "1024 frames, 46 ms");
  EXPECT_EQ(BufferLabel(4, 8000), "16 frames, 2 ms");            // 2.0 + 0.5
  EXPECT_EQ(BufferLabel(16384, 96000), "65536 frames, 683 ms");  // 682.67 + 0.5
  EXPECT_EQ(FramesForBlockPosition(3), 4);
  EXPECT_EQ(FramesForBlockPosition(9), 256);
  EXPECT_EQ(FramesForBlockPosition(15), 16384);
  EXPECT_EQ(BlockPositionForFrames(4), 3);
  EXPECT_EQ(BlockPositionForFrames(256), 9);
  EXPECT_EQ(BlockPositionForFrames(16384), 15);
  EXPECT_EQ(BlockPositionForFrames(300), 9);  // floor(log2) + 1
  EXPECT_EQ(BlockPositionForFrames(1), 3);    // kept on the slider
}

class OptionsTest : public SteppedOutputTest {
 protected:
  void SetUp() override {
    SteppedOutputTest::SetUp();
    out.set_writer_factory(files.factory());
    Init();
  }
  // A loaded 44100 Hz sound on the first stream (the sine's samples).
  void GiveStreamASound() {
    sound = engine.sine();
    sound.builtin = false;
    sound.frame_rate = 44100;
    streams.first()->sound = &sound;
    SetRateConstants(sound, uint32_t(out.config().sample_rate));
  }
  // The ring, the engine and the stream's block all hold blocks of this many samples.
  void ExpectBuiltFor(int32_t rate, int frames, int channels) {
    EXPECT_EQ(engine.output_rate(), uint32_t(rate));
    EXPECT_EQ(engine.block_frames(), frames);
    EXPECT_EQ(engine.channels(), channels);
    EXPECT_EQ(out.config().bytes_per_float_block, frames * channels * 4);
    EXPECT_EQ(streams.first()->block.size(), size_t(frames * channels));
    EXPECT_EQ(engine.sine().onset_unit, 268435456u / uint32_t(rate));
  }

  MemoryFiles files;
  Sound sound;
};

TEST_F(OptionsTest, CancelAfterTestPlayRebuildsFromTheRestoredRecords) {
  GiveStreamASound();
  OutputOptions options(out);
  options.SelectDevice(MakeRtAudioSelection(4, 0));
  options.SelectRate(44100);
  options.SetStereo(false);
  options.SetBlockPosition(7);  // 64 frames
  ASSERT_TRUE(options.TestPlayStart());
  EXPECT_EQ(provider->log.last.rate, 44100u);
  EXPECT_EQ(provider->log.last.frames, 64u);
  EXPECT_EQ(provider->log.last.channels, 1);
  ExpectBuiltFor(44100, 64, 1);
  Pull();
  options.TestPlayStop();
  EXPECT_FALSE(out.playing());
  options.Restore();
  EXPECT_EQ(out.config().sample_rate, 22050);
  EXPECT_EQ(out.config().selected_device, kRtAudioDeviceBase);
  EXPECT_EQ(out.config().stereo, 1);
  ExpectBuiltFor(22050, 256, 2);
  EXPECT_EQ(sound.onset_unit, 268435456u / 22050);
  EXPECT_EQ(sound.rate_ratio, 22050u * 2048 / 44100);
  EXPECT_EQ(view.rates, (std::vector<uint32_t>{44100, 22050}));
  // What is written to a file now takes whole 256-frame stereo blocks.
  out.ToggleRecord();
  out.TogglePlay(kPlayFromButton);
  for (int i = 0; i < 3; ++i) Pull();
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_EQ(files.files[0]->format.channels, 2);
  EXPECT_EQ(files.files[0]->samples.size(), size_t(out.config().blocks_written) * 512);
}

TEST_F(OptionsTest, TestPlayLeavesTheRecordingFlagAsItWas) {
  out.ToggleRecord();
  ASSERT_TRUE(out.recording());
  OutputOptions options(out);
  ASSERT_TRUE(options.TestPlayStart());
  EXPECT_FALSE(out.recording());
  Pull();
  EXPECT_EQ(out.config().blocks_written, 0);
  options.TestPlayStop();
  EXPECT_TRUE(out.recording());
  // Test Play refuses while something plays; a failed start restores the flag too.
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(options.TestPlayStart());
  out.StopPlay();
  provider->fail = "device busy";
  EXPECT_FALSE(options.TestPlayStart());
  EXPECT_TRUE(out.recording());
}

TEST_F(OptionsTest, OkStopsWhatPlaysBeforeTheRingIsRebuilt) {
  OutputOptions options(out);
  options.SelectRate(44100);
  options.SetBlockPosition(5);
  // A MIDI note starts play while the dialog is open.
  out.TogglePlay(kPlayFromMidi);
  ASSERT_TRUE(out.playing());
  options.Apply();
  EXPECT_FALSE(out.playing());
  EXPECT_EQ(view.play, testing::kShowsPlay);
  ExpectBuiltFor(44100, 16, 2);
  // Nothing changed: OK leaves a performance alone.
  out.TogglePlay(kPlayFromMidi);
  OutputOptions unchanged(out);
  unchanged.Apply();
  EXPECT_TRUE(out.playing());
}

TEST_F(OptionsTest, DeviceOfOneRateGivesItsRateToEverySound) {
  GiveStreamASound();
  provider->force_rate = 48000;
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  EXPECT_EQ(out.config().sample_rate, 48000);
  ExpectBuiltFor(48000, 256, 2);
  EXPECT_EQ(sound.onset_unit, 268435456u / 48000);
  EXPECT_EQ(sound.rate_ratio, 48000u * 2048 / 44100);
  EXPECT_EQ(view.rates, std::vector<uint32_t>{48000});
  ASSERT_FALSE(view.status.empty());
  EXPECT_EQ(view.status.back(), "Playing at 48000 Hz (the sound server's rate)");
  // The next Play is at that rate already: nothing more to say.
  out.StopPlay();
  view.status.clear();
  out.TogglePlay(kPlayFromButton);
  EXPECT_TRUE(view.status.empty());
}

TEST_F(OptionsTest, AnEmptyFileIsMadeAgainAtTheDevicesRate) {
  out.ToggleRecord();
  provider->force_rate = 44100;
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing());
  ASSERT_EQ(files.files.size(), 2u);
  EXPECT_TRUE(files.files[0]->closed);
  EXPECT_EQ(files.files[0]->path, files.files[1]->path);
  EXPECT_EQ(files.files[1]->format.rate, 44100u);
  EXPECT_TRUE(out.recording());
  Pull();
  EXPECT_EQ(files.files[1]->samples.size(), size_t(out.config().blocks_written) * 512);
}

// The Stereo command rebuilds the output; a file holding samples ends complete there.
TEST_F(OptionsTest, StereoCommandRebuildsTheOutputAndEndsAFileComplete) {
  out.ToggleRecord();
  out.TogglePlay(kPlayFromButton);
  Pull();
  const size_t written = files.files[0]->samples.size();
  ASSERT_GT(written, 0u);
  out.ToggleStereo();  // stops play, and the file cannot change its channels
  ExpectBuiltFor(22050, 256, 1);
  EXPECT_FALSE(out.recording());
  EXPECT_FALSE(view.record_checked);
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_TRUE(files.files[0]->closed);
  EXPECT_EQ(files.files[0]->samples.size(), written);
  ASSERT_EQ(view.warnings.size(), 1u);
  EXPECT_NE(view.warnings[0].find("22050 Hz, mono"), std::string::npos) << view.warnings[0];
  out.ToggleStereo();
  ExpectBuiltFor(22050, 256, 2);
}

TEST_F(OptionsTest, RatesOutsideTheEnginesRangeAreRefused) {
  provider->force_rate = 384000;
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("384000 Hz"), std::string::npos) << view.errors[0];
  EXPECT_EQ(out.config().sample_rate, 22050);
}

}  // namespace
}  // namespace kornmill
