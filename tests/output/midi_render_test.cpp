// The offline renderer playing MIDI files: notes start and stop the sound on the file's timeline,
// controllers move controls, the options, and the same file giving the same samples.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../midi/smf_builder.h"
#include "output/render/render_job.h"
#include "output/render/render_options.h"

namespace kornmill {
namespace {

using testing::SmfBuilder;

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("kornmill-midi-render-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

std::vector<float> ReadMono(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> v(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, v.data(), info.frames);
  sf_close(f);
  return v;
}

// Largest magnitude between two times (seconds) at 22050 Hz.
float Peak(const std::vector<float>& v, double from, double to) {
  float p = 0;
  for (size_t i = static_cast<size_t>(from * 22050); i < std::min(v.size(), size_t(to * 22050));
       ++i) {
    p = std::max(p, std::fabs(v[i]));
  }
  return p;
}

RenderSummary Render(const std::vector<std::string>& args, RenderJob& job) {
  return job.Run(ParseRenderArgs(args), {});
}

// 96 ticks a quarter at 120 bpm: 192 ticks a second.
TEST(MidiRender, NotesStartAndStopTheSoundOnTheFilesTimeline) {
  const std::string mid = TempPath("notes.mid");
  const std::string wav = TempPath("notes.wav");
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
  const std::vector<float> v = ReadMono(wav);
  EXPECT_EQ(Peak(v, 0.0, 0.5), 0.0f);  // stopped until the first note
  EXPECT_GT(Peak(v, 0.52, 1.0), 0.1f);
  EXPECT_EQ(Peak(v, 1.6, 2.0), 0.0f);  // the soft stop is over
  EXPECT_GT(Peak(v, 2.05, 2.5), 0.1f);
  EXPECT_EQ(Peak(v, 3.1, 4.0), 0.0f);
  // The second note set the pitch of key 72.
  EXPECT_EQ(job.streams()[0].controls[kPitch].target, 9830);
  std::filesystem::remove(mid);
  std::filesystem::remove(wav);
}

TEST(MidiRender, ControllersMoveControlsAndPlayStartsWithPlay) {
  const std::string mid = TempPath("cc.mid");
  const std::string wav = TempPath("cc.wav");
  SmfBuilder().Event(0, {0xB0, 27, 127}).Event(96, {0xB0, 14, 0}).Write(mid);
  RenderJob job;
  Render({"--midi", mid, "--play", "--seconds", "1", "--rate", "22050", "--mono", "-o", wav}, job);
  EXPECT_EQ(job.streams()[0].controls[kAmp].target, 1024);
  EXPECT_EQ(job.streams()[0].controls[kGrainLength].target, 13);
  EXPECT_GT(Peak(ReadMono(wav), 0.0, 0.1), 0.1f);  // playing from the start
  std::filesystem::remove(mid);
  std::filesystem::remove(wav);
}

TEST(MidiRender, ChannelAndResponseOptions) {
  const std::string mid = TempPath("ch.mid");
  const std::string wav = TempPath("ch.wav");
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
  EXPECT_EQ(Peak(ReadMono(wav), 0.0, 1.5), 0.0f);
  std::filesystem::remove(mid);
  std::filesystem::remove(wav);
}

TEST(MidiRender, TheSameFileRenderedTwiceGivesTheSameBytes) {
  const std::string mid = TempPath("twice.mid");
  SmfBuilder()
      .Event(0, {0x90, 64, 90})
      .Event(40, {0xE0, 0, 90})
      .Event(40, {0xB0, 11, 30})
      .Event(60, {0x90, 67, 127})
      .Event(90, {0x80, 67, 0})
      .Write(mid, 48);
  std::string bytes[2];
  for (int i = 0; i < 2; ++i) {
    const std::string wav = TempPath("twice" + std::to_string(i) + ".wav");
    RenderJob job;
    Render({"--midi", mid, "--rate", "22050", "--bits", "24", "-o", wav}, job);
    std::ifstream in(wav, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes[i] = s.str();
    std::filesystem::remove(wav);
  }
  EXPECT_GT(bytes[0].size(), 100000u);
  EXPECT_EQ(bytes[0], bytes[1]);
  std::filesystem::remove(mid);
}

TEST(MidiRender, BadFilesAndOptionsSayWhy) {
  const std::string mid = TempPath("bad.mid");
  std::ofstream(mid) << "MThd garbage";
  RenderJob job;
  try {
    Render({"--midi", mid, "-o", TempPath("bad.wav")}, job);
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
  std::filesystem::remove(mid);
}

}  // namespace
}  // namespace kornmill
