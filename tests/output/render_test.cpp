// The offline renderer: arguments, scores, determinism, glides, soft stop and the defaults' grain
// rate.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "output/render/render_job.h"
#include "output/render/render_options.h"
#include "output/render/render_score.h"

namespace kornmill {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("kornmill-render-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

std::vector<float> ReadWav(const std::string& path, SF_INFO& info) {
  info = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> v(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, v.data(), info.frames);
  sf_close(f);
  return v;
}

RenderOptions Args(const std::vector<std::string>& a) {
  return ParseRenderArgs(a);
}

TEST(RenderArgs, DefaultsAndEveryOption) {
  RenderOptions o = Args({"-o", "x.wav"});
  EXPECT_EQ(o.rate, 44100u);
  EXPECT_TRUE(o.stereo);
  EXPECT_EQ(o.block, 256);
  EXPECT_EQ(o.interpolation, Interpolation::kSpline);
  EXPECT_EQ(o.bits, 32);
  EXPECT_EQ(o.total_frames(), 441000);
  o = Args({"--source",    "a.wav",           "--rate",   "48000", "--mono", "--block",    "64",
            "--interp",    "cubic",           "--blocks", "7",     "--bits", "24",         "-o",
            "y.wav",       "--set",           "7=100",    "--set", "28=6",   "--channels", "3",
            "--hard-sync", "--no-reset-loop", "--score",  "s.txt"});
  EXPECT_EQ(o.source, "a.wav");
  EXPECT_EQ(o.rate, 48000u);
  EXPECT_FALSE(o.stereo);
  EXPECT_EQ(o.interpolation, Interpolation::kCubic);
  EXPECT_EQ(o.total_frames(), 7 * 64);
  EXPECT_EQ(o.bits, 24);
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0].control, 7);
  EXPECT_EQ(o.settings[0].value, 100);
  EXPECT_EQ(o.channels, 3);
  EXPECT_TRUE(o.hard_sync);
  EXPECT_FALSE(o.reset_loop);
  EXPECT_EQ(Args({"--seconds", "0.5", "-o", "x"}).total_frames(), 22050);
}

TEST(RenderArgs, BadArgumentsSayWhatIsWrong) {
  auto message = [](const std::vector<std::string>& a) {
    try {
      ParseRenderArgs(a);
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(message({"--seconds", "1"}), "no output file: give -o OUT.wav");
  EXPECT_EQ(message({"-o", "x", "--bits", "20"}), "--bits must be 16, 24 or 32");
  EXPECT_EQ(message({"-o", "x", "--block", "100"}),
            "--block must be a power of two from 4 to 16384");
  EXPECT_EQ(message({"-o", "x", "--set", "13=20000"}),
            "control 13 takes values from -16384 to 16384, not 20000");
  EXPECT_EQ(message({"-o", "x", "--set", "29=1"}), "--set control number must be 0 to 28, not 29");
  EXPECT_EQ(message({"-o", "x", "--interp", "sinc"}),
            "--interp must be linear, cubic or spline, not \"sinc\"");
  EXPECT_EQ(message({"-o", "x", "--rate"}), "--rate needs a value");
  EXPECT_EQ(message({"-o", "x", "--rate", "44k"}), "--rate must be a whole number, not \"44k\"");
  EXPECT_EQ(message({"-o", "x", "--frobnicate"}), "unknown argument \"--frobnicate\"");
  // An empty file name is a mistake, not the built-in sine or no score.
  EXPECT_EQ(message({"-o", "x", "--source", ""}), "--source needs a file name, not an empty text");
  EXPECT_EQ(message({"-o", "x", "--score="}), "--score needs a file name, not an empty text");
  EXPECT_EQ(message({"-o", ""}), "-o needs a file name, not an empty text");
  // A WAV file ends at 4 GiB: a longer render is refused before it starts.
  EXPECT_EQ(message({"-o", "x", "--seconds", "12174"}),
            "WAV files end at 4 GiB: at 44100 Hz stereo 32-bit they hold at most 536870907 frames "
            "(12173.9 s); ask for less or use fewer channels or bits");
  EXPECT_EQ(message({"-o", "x", "--seconds", "12174", "--bits", "16"}), "accepted");
}

// Every number takes the same decimal forms, in options and in scores alike.
TEST(RenderArgs, NumbersAreDecimalEverywhere) {
  auto accepted = [](const std::vector<std::string>& a) {
    try {
      ParseRenderArgs(a);
      return true;
    } catch (const UsageError&) {
      return false;
    }
  };
  EXPECT_EQ(Args({"-o", "x", "--seconds", "1e1"}).total_frames(), 441000);
  EXPECT_EQ(Args({"-o", "x", "--seconds", ".5"}).total_frames(), 22050);
  EXPECT_EQ(Args({"-o", "x", "--rate", "+48000"}).rate, 48000u);
  for (const char* bad : {"0x10", " 5", "inf", "1e", ""}) {
    EXPECT_FALSE(accepted({"-o", "x", "--seconds", bad})) << bad;
    EXPECT_FALSE(accepted({"-o", "x", "--blocks", bad})) << bad;
  }
  EXPECT_FALSE(accepted({"-o", "x", "--blocks", "1.5"}));
  EXPECT_FALSE(accepted({"-o", "x", "--set", "0x1=5"}));
  for (const char* bad : {"0x10 set 1 5\n", "1 set 1 0x5\n", "inf stop\n", "1 set 1 5.0\n"}) {
    std::istringstream in(bad);
    EXPECT_THROW(ParseScore(in, "s"), ScoreError) << bad;
  }
  std::istringstream good("1e0 set +1 5 32\n.5 stop\n");
  const auto events = ParseScore(good, "s");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].seconds, 0.5);
  EXPECT_EQ(events[1].seconds, 1.0);
  EXPECT_EQ(events[1].control, 1);
}

TEST(RenderArgs, ControlsListingHasEveryControl) {
  EXPECT_TRUE(Args({"--controls"}).list_controls);
  const std::string text = ControlsListing();
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u + 29u);
  EXPECT_EQ(lines[2], "   0  Soundfile playback  loop start                           0..4096         0");
  EXPECT_EQ(lines[9], "   7  Grain density       grain freq                          25..16384     6062");
  EXPECT_EQ(lines[30],
            "  28  Change time         change time (64ths of a second)      1..4096        64");
  EXPECT_NE(RenderUsage().find("--controls"), std::string::npos);
}

TEST(RenderScore, LinesCommentsAndErrors) {
  std::istringstream in(
      "# a glide and a stop\n"
      "2.5 set 23 1000 32   # louder over half a second\n"
      "\n"
      "1 set 7 2000\n"
      "3 stop\n");
  auto events = ParseScore(in, "s.txt");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].seconds, 1.0);
  EXPECT_EQ(events[0].change_time, -1);
  EXPECT_EQ(events[1].control, 23);
  EXPECT_EQ(events[1].value, 1000);
  EXPECT_EQ(events[1].change_time, 32);
  EXPECT_EQ(events[2].kind, ScoreEvent::kStop);
  std::istringstream bad("1 set 23 1000\n2 sett 1 2\n");
  try {
    ParseScore(bad, "s.txt");
    FAIL();
  } catch (const ScoreError& e) {
    EXPECT_EQ(std::string(e.what()),
              "s.txt:2: expected \"set\", \"recall\" or \"stop\" after the time, not \"sett\"");
  }
  std::istringstream range("1 set 23 5000\n");
  EXPECT_THROW(ParseScore(range, "s"), ScoreError);
}

TEST(RenderScore, EventsAfterTheEndAreNamed) {
  std::istringstream in("0.5 set 1 5\n# the end is at 1 s\n1 stop\n3 set 2 7\n");
  const auto events = ParseScore(in, "s.txt");
  const auto lines = LateEventWarnings(events, "s.txt", 44100, 44100);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "s.txt:3: the event at 1 s comes after the end of the render (1 s) and is not played");
  EXPECT_EQ(lines[1],
            "s.txt:4: the event at 3 s comes after the end of the render (1 s) and is not played");
  EXPECT_TRUE(LateEventWarnings(events, "s.txt", 44101, 44100).size() == 1u);
}

// A score that cannot be read to its end is an error, never an empty score.
TEST(RenderScore, UnreadableScoresAreErrors) {
  auto message = [](const std::string& path) {
    try {
      ReadScoreText(path);
    } catch (const ScoreError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  EXPECT_EQ(message("/"), "cannot read the score /: Is a directory");
  EXPECT_EQ(message("/proc/self/mem"), "cannot read the score /proc/self/mem: Input/output error");
  EXPECT_EQ(message("/nonexistent/s.txt"),
            "cannot read the score /nonexistent/s.txt: No such file or directory");
  EXPECT_EQ(message("/dev/zero"), "cannot read the score /dev/zero: a score is a text of at most 16 MiB");
  const std::string path = TempPath("score.txt");
  std::ofstream(path) << "1 stop\n";
  EXPECT_EQ(ReadScoreText(path), "1 stop\n");
  std::filesystem::remove(path);
}

TEST(RenderJobTest, DefaultsStartTwentyGrainsASecondOfAbout0_1001Seconds) {
  const std::string out = TempPath("defaults.wav");
  RenderJob job;
  RenderSummary sum = job.Run(Args({"--seconds", "10", "-o", out}), {});
  EXPECT_EQ(sum.frames, 441000);
  EXPECT_DOUBLE_EQ(sum.seconds, 10.0);
  // 6062 × 35 / (16670 − 6062) = 20.0007 grains a second, the first at once.
  EXPECT_GE(sum.grains, 200u);
  EXPECT_LE(sum.grains, 201u);
  // Overlap = rate × length: 20.0007 × 324² / 2^20 s = 2.002 grains sound at a time.
  const double length = sum.mean_active_grains / (double(sum.grains) / sum.seconds);
  EXPECT_NEAR(length, 0.1001, 0.002);
  EXPECT_GT(sum.peak, 0.3f);
  EXPECT_LT(sum.peak, kOutputClip);
  EXPECT_EQ(sum.clipped, 0u);
  SF_INFO info;
  auto samples = ReadWav(out, info);
  EXPECT_EQ(info.frames, 441000);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  std::filesystem::remove(out);
}

// The file holds exactly what the engine renders after Play's snapshot, block by block.
TEST(RenderJobTest, FloatFileEqualsTheEnginesBlocks) {
  const std::string out = TempPath("same.wav");
  RenderJob job;
  job.Run(Args({"--blocks", "100", "--set", "8=200", "--set", "0=1000", "-o", out}), {});
  SF_INFO info;
  auto samples = ReadWav(out, info);
  ASSERT_EQ(info.frames, 25600);
  Engine ref;
  StreamTable streams;
  streams.InitStreams(&ref.sine());
  ref.SetOutputFormat(44100, true, 256);
  SetControlTarget(streams, 8, 200, false, 44100, 0);
  SetControlTarget(streams, 0, 1000, false, 44100, 0);
  ref.PrepareForPlay(streams, true);
  std::vector<float> block(512);
  for (int b = 0; b < 100; ++b) {
    ref.RenderNextBlock(block.data(), streams);
    ASSERT_EQ(0, std::memcmp(block.data(), samples.data() + b * 512, sizeof(float) * 512)) << b;
  }
  std::filesystem::remove(out);
}

// The glide of "0 set 23 1000 64" ends at frame 44100; the control update
// runs every 104 frames, so 43992 still glides and 44096 takes the target.
TEST(RenderJobTest, ScoreGlideArrivesAtItsControlUpdate) {
  std::istringstream text("0 set 23 1000 64\n");
  const auto score = ParseScore(text, "glide");
  const std::string out = TempPath("glide.wav");
  {
    RenderJob job;
    job.Run(Args({"--block", "8", "--blocks", "5512", "-o", out}), score);  // 44096 frames
    EXPECT_EQ(job.engine().frame_clock(), 44096);
    const ControlRecord& c = job.streams()[0].controls[23];
    EXPECT_EQ(c.target, 1000);
    EXPECT_NE(c.current, 1000.0f);
    EXPECT_GT(c.current, 970.0f);  // one update short of the target
  }
  {
    RenderJob job;
    job.Run(Args({"--block", "8", "--blocks", "5513", "-o", out}), score);
    EXPECT_EQ(job.streams()[0].controls[23].current, 1000.0f);
    EXPECT_EQ(job.streams()[0].controls[23].value, 1000);
  }
  std::filesystem::remove(out);
}

TEST(RenderJobTest, SetBeforePlayIsSnapped) {
  const std::string out = TempPath("set.wav");
  RenderJob job;
  job.Run(Args({"--blocks", "1", "--set", "23=100", "--set", "28=6", "-o", out}), {});
  EXPECT_EQ(job.streams()[0].controls[23].current, 100.0f);
  EXPECT_EQ(job.streams().change_time(), 6);
  std::filesystem::remove(out);
}

TEST(RenderJobTest, SoftStopFadesAndSilenceKeepsTheRequestedLength) {
  // Grains of 2 s, cut to half a second by the stop at 1 s.
  std::istringstream text("1 stop\n");
  const auto score = ParseScore(text, "stop");
  const std::string out = TempPath("stop.wav");
  RenderJob job;
  RenderSummary sum = job.Run(Args({"--seconds", "5", "--set", "10=1448", "-o", out}), score);
  EXPECT_EQ(job.engine().active_grains(), 0);
  EXPECT_EQ(sum.frames, 5 * 44100);
  SF_INFO info;
  auto samples = ReadWav(out, info);
  ASSERT_EQ(info.frames, 5 * 44100);
  float before = 0, fading = 0, after = 0;
  for (size_t i = 0; i < 44100 * 2; ++i) before = std::max(before, std::fabs(samples[i]));
  for (size_t i = 2 * 44100; i < 2 * 66150; ++i) fading = std::max(fading, std::fabs(samples[i]));
  for (size_t i = 2 * 70000; i < samples.size(); ++i) after = std::max(after, std::fabs(samples[i]));
  EXPECT_GT(before, 0.1f);
  EXPECT_GT(fading, 0.0f);  // the stop fades over half a second
  EXPECT_EQ(after, 0.0f);   // then silence to the end
  std::filesystem::remove(out);
}

// A stop before the first block (the score's time 0) stops play while Play is
// still filling its first blocks; the render is silence of the length asked for.
TEST(RenderJobTest, StopAtTimeZeroGivesSilenceOfTheRequestedLength) {
  std::istringstream text("0 stop\n");
  const auto score = ParseScore(text, "stop0");
  const std::string out = TempPath("stop0.wav");
  RenderJob job;
  RenderSummary sum = job.Run(Args({"--blocks", "40", "-o", out}), score);
  EXPECT_EQ(sum.frames, 40 * 256);
  EXPECT_EQ(sum.grains, 0u);
  SF_INFO info;
  auto samples = ReadWav(out, info);
  ASSERT_EQ(info.frames, 40 * 256);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float v) { return v == 0.0f; }));
  std::filesystem::remove(out);
}

// No one answers the loader's memory question in a render: a source that may
// not fit is refused with the loader's message.
TEST(RenderJobTest, SourceThatMayNotFitIsRefused) {
  const std::string src = TempPath("big.wav");
  ASSERT_EQ(0, std::system(("sox -n -r 44100 -c 1 -b 16 " + src + " synth 30 sine 220 2>/dev/null")
                               .c_str()))
      << "sox is needed";
  RenderJob job;
  job.set_memory_status([] { return MemoryStatus{16000000, 1000000}; });
  try {
    job.Run(Args({"--source", src, "--blocks", "1", "-o", TempPath("big-out.wav")}), {});
    ADD_FAILURE() << "rendered";
  } catch (const RenderError& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind(src + " (", 0), 0u) << text;
    EXPECT_NE(text.find(" kB) may be larger than available memory (976 kB)"), std::string::npos)
        << text;
  }
  std::filesystem::remove(src);
  EXPECT_FALSE(std::filesystem::exists(TempPath("big-out.wav")));
}

// The peak and the clip count see samples that are not numbers.
TEST(RenderStatsTest, NotANumberIsSeen) {
  RenderStats stats;
  const float inf = std::numeric_limits<float>::infinity();
  const float block[] = {0.25f, -0.5f, inf, 0.75f};
  stats.Count(block, 4);
  EXPECT_EQ(stats.peak, inf);
  EXPECT_EQ(stats.clipped, 1u);
  EXPECT_EQ(stats.not_numbers, 1u);
  const float nan_block[] = {0.1f, std::numeric_limits<float>::quiet_NaN(), 0.2f};
  stats.Count(nan_block, 3);
  EXPECT_TRUE(std::isnan(stats.peak));
  EXPECT_EQ(stats.clipped, 2u);
  EXPECT_EQ(stats.not_numbers, 2u);
}

TEST(RenderJobTest, MonoSourceRefusesASecondChannel) {
  const std::string out = TempPath("mask.wav");
  RenderJob job;
  EXPECT_THROW(job.Run(Args({"--blocks", "1", "--channels", "2", "-o", out}), {}), RenderError);
}

TEST(RenderJobTest, StereoSourceFromSoxWithBothChannels) {
  const std::string src = TempPath("src.wav");
  const std::string out = TempPath("src-out.wav");
  const std::string cmd =
      "sox -n -r 22050 -c 2 -b 16 " + src + " synth 1 sine 220 sine 330 2>/dev/null";
  ASSERT_EQ(0, std::system(cmd.c_str()));
  RenderJob job;
  RenderSummary sum =
      job.Run(Args({"--source", src, "--channels", "3", "--seconds", "1", "-o", out}), {});
  EXPECT_EQ(sum.frames, 44100);
  EXPECT_GT(sum.peak, 0.05f);
  EXPECT_EQ(job.streams()[0].input_mask, 3);
  std::filesystem::remove(src);
  std::filesystem::remove(out);
}

}  // namespace
}  // namespace kornmill
