// The offline renderer playing MIDI files: notes start and stop the sound on the file's timeline,
// controllers move controls, the options, and the same file giving the same samples.
#include <gtest/gtest.h>

#include <fstream>

#include "../midi/smf_builder.h"
#include "output/render/render_job.h"
#include "output/render/render_options.h"
#include "render_folder.h"

namespace kornmill {
namespace {

using testing::ReadBytes;
using testing::SmfBuilder;

class MidiRender : public testing::RenderFolder {
 protected:
  RenderSummary Render(const std::vector<std::string>& args, RenderJob& job) {
    return job.Run(ParseRenderArgs(args), {});
  }
  // The largest magnitude in the mono file between two times (seconds) at 22050 Hz.
  float Peak(double from, double to) const {
    return testing::Peak(testing::ReadFloats(wav), size_t(from * 22050), size_t(to * 22050));
  }
  const std::string mid = Path("in.mid");
  const std::string wav = Path("out.wav");
};

// 96 ticks a quarter at 120 bpm: 192 ticks a second.
TEST_F(MidiRender, NotesStartAndStopTheSoundOnTheFilesTimeline) {
  SmfBuilder()
      .Event(96, {0x90, 60, 100})   // 0.5 s
      .Event(96, {0x80, 60, 0})     // 1.0 s
      .Event(192, {0x90, 72, 100})  // 2.0 s
      .Event(96, {0xF7, 1, 0xFC})   // 2.5 s: MIDI Stop, escaped as a file holds it
      .Write(mid, 96);
  RenderJob job;
  const RenderSummary sum =
      Render({"--midi", mid, "--rate", "22050", "--mono", "--bits", "32", "-o", wav}, job);
  EXPECT_EQ(sum.frames, 4 * 22050);  // the file's 3 s + 1 s
  EXPECT_EQ(sum.midi_events, 4u);
  EXPECT_EQ(Peak(0.0, 0.5), 0.0f);  // stopped until the first note
  EXPECT_GT(Peak(0.52, 1.0), 0.1f);
  EXPECT_EQ(Peak(1.6, 2.0), 0.0f);  // the soft stop is over
  EXPECT_GT(Peak(2.05, 2.5), 0.1f);
  EXPECT_EQ(Peak(3.1, 4.0), 0.0f);
  // The second note set the pitch of key 72.
  EXPECT_EQ(job.streams()[0].controls[kPitch].target, 9830);
}

TEST_F(MidiRender, ControllersMoveControlsAndPlayStartsWithPlay) {
  SmfBuilder().Event(0, {0xB0, 27, 127}).Event(96, {0xB0, 14, 0}).Write(mid);
  RenderJob job;
  Render({"--midi", mid, "--play", "--seconds", "1", "--rate", "22050", "--mono", "-o", wav}, job);
  EXPECT_EQ(job.streams()[0].controls[kAmp].target, 1024);
  EXPECT_EQ(job.streams()[0].controls[kGrainLength].target, 13);
  EXPECT_GT(Peak(0.0, 0.1), 0.1f);  // playing from the start
}

TEST_F(MidiRender, ChannelAndResponseOptions) {
  // Velocity 127 on channel 2; row 1: Velocity -> Attack, 0 to 100 %.
  SmfBuilder().Event(0, {0x91, 60, 127}).Write(mid, 96);
  RenderJob job;
  Render({"--midi", mid, "--midi-channel", "2", "--midi-response", "1=0x140A0064", "--rate",
          "22050", "-o", wav},
         job);
  EXPECT_EQ(job.streams()[0].controls[kAttack].target, 256);
  RenderJob other;
  Render({"--midi", mid, "--midi-channel", "1", "--rate", "22050", "-o", wav}, other);
  EXPECT_EQ(other.streams()[0].controls[kAttack].target, 128);  // channel 2 was not heard
  EXPECT_EQ(Peak(0.0, 1.5), 0.0f);
}

TEST_F(MidiRender, TheSameFileRenderedTwiceGivesTheSameBytes) {
  SmfBuilder()
      .Event(0, {0x90, 64, 90})
      .Event(40, {0xE0, 0, 90})
      .Event(40, {0xB0, 11, 30})
      .Event(60, {0x90, 67, 127})
      .Event(90, {0x80, 67, 0})
      .Write(mid, 48);
  std::string bytes[2];
  for (std::string& b : bytes) {
    RenderJob job;
    Render({"--midi", mid, "--rate", "22050", "--bits", "24", "-o", wav}, job);
    b = ReadBytes(wav);
  }
  EXPECT_GT(bytes[0].size(), 100000u);
  EXPECT_EQ(bytes[0], bytes[1]);
}

TEST_F(MidiRender, BadFilesAndOptionsSayWhy) {
  std::ofstream(mid) << "MThd garbage";
  RenderJob job;
  try {
    Render({"--midi", mid, "-o", wav}, job);
    FAIL();
  } catch (const RenderError& e) {
    EXPECT_NE(std::string(e.what()).find(mid), std::string::npos);
  }
  EXPECT_THROW(ParseRenderArgs({"--midi-response", "1=0x00010000", "-o", "x"}), UsageError);
  EXPECT_THROW(ParseRenderArgs({"--midi-response", "7=1", "-o", "x"}), UsageError);
  EXPECT_THROW(ParseRenderArgs({"--midi-channel", "17", "-o", "x"}), UsageError);
  const RenderOptions o = ParseRenderArgs({"--midi-response=0=0x72D", "--play", "-o", "x"});
  ASSERT_EQ(o.midi_responses.size(), 1u);
  EXPECT_EQ(o.midi_responses[0].word, 0x72Du);
  EXPECT_TRUE(o.play);
}

}  // namespace
}  // namespace kornmill
