// The offline renderer: arguments, scores, determinism, glides, soft stop and the defaults' grain
// rate.
#include <gtest/gtest.h>
#include <sndfile.h>

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
#include "render_folder.h"

namespace kornmill {
namespace {

using testing::Peak;
using testing::ReadFloats;
using testing::UsageMessage;
using RenderJobTest = testing::RenderFolder;

RenderOptions Args(const std::vector<std::string>& a) {
  return ParseRenderArgs(a);
}

TEST(RenderArgs, DefaultsAndEveryOption) {
  RenderOptions o = Args({"-o", "x.wav"});
  EXPECT_EQ(o.rate, 44100u);
  EXPECT_TRUE(o.stereo);
  EXPECT_EQ(o.block, 256);
  // The block a render takes: longer where no event waits for a block boundary.
  EXPECT_EQ(o.render_block(false), kPlainRenderBlock);
  EXPECT_EQ(o.render_block(true), 256);
  EXPECT_EQ(Args({"-o", "x.wav", "--midi", "m.mid"}).render_block(false), 256);
  EXPECT_EQ(Args({"-o", "x.wav", "--block", "4"}).render_block(false), 4);
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
  o = Args({"--bank", "b.kpb", "--recall", "2", "-o", "x"});
  EXPECT_EQ(o.bank, "b.kpb");
  EXPECT_EQ(o.recall, 2);
  EXPECT_EQ(Args({"--recall", "0", "-o", "x"}).recall, 0);  // the default patch needs no bank
}

TEST(RenderArgs, BadArgumentsSayWhatIsWrong) {
  EXPECT_EQ(UsageMessage({"--seconds", "1"}), "no output file: give -o OUT.wav");
  EXPECT_EQ(UsageMessage({"-o", "x", "--recall", "3"}), "--recall 3 needs --bank FILE.kpb");
  EXPECT_EQ(UsageMessage({"-o", "x", "--bank", "b", "--recall", "21"}),
            "--recall must be 0 (the default patch) or a slot 1 to 20");
  EXPECT_EQ(UsageMessage({"-o", "x", "--bits", "20"}), "--bits must be 16, 24 or 32");
  EXPECT_EQ(UsageMessage({"-o", "x", "--block", "100"}),
            "--block must be a power of two from 4 to 16384");
  EXPECT_EQ(UsageMessage({"-o", "x", "--set", "13=20000"}),
            "control 13 takes values from -16384 to 16384, not 20000");
  EXPECT_EQ(UsageMessage({"-o", "x", "--set", "29=1"}),
            "--set control number must be 0 to 28, not 29");
  EXPECT_EQ(UsageMessage({"-o", "x", "--interp", "sinc"}),
            "--interp must be linear, cubic or spline, not \"sinc\"");
  EXPECT_EQ(UsageMessage({"-o", "x", "--rate"}), "--rate needs a value");
  EXPECT_EQ(UsageMessage({"-o", "x", "--rate", "44k"}),
            "--rate must be a whole number, not \"44k\"");
  EXPECT_EQ(UsageMessage({"-o", "x", "--frobnicate"}), "unknown argument \"--frobnicate\"");
  // An empty file name is a mistake, not the built-in sine or no score.
  EXPECT_EQ(UsageMessage({"-o", "x", "--source", ""}),
            "--source needs a file name, not an empty text");
  EXPECT_EQ(UsageMessage({"-o", "x", "--score="}), "--score needs a file name, not an empty text");
  EXPECT_EQ(UsageMessage({"-o", ""}), "-o needs a file name, not an empty text");
  // A WAV file ends at 4 GiB: a longer render is refused before it starts.
  EXPECT_EQ(UsageMessage({"-o", "x", "--seconds", "12174"}),
            "WAV files end at 4 GiB: at 44100 Hz stereo 32-bit they hold at most 536870907 frames "
            "(12173.9 s); ask for less or use fewer channels or bits");
  EXPECT_EQ(UsageMessage({"-o", "x", "--seconds", "12174", "--bits", "16"}), "accepted");
}

// Every number takes the same decimal forms, in options and in scores alike.
TEST(RenderArgs, NumbersAreDecimalEverywhere) {
  auto accepted = [](const std::vector<std::string>& a) { return UsageMessage(a) == "accepted"; };
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
  EXPECT_EQ(lines[2],
            "   0  Soundfile playback  loop start                           0..4096         0");
  EXPECT_EQ(lines[9],
            "   7  Grain density       grain freq                          25..16384     6062");
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
      "3 stop\n"
      "1.5 recall 4\n");
  auto events = ParseScore(in, "s.txt");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].seconds, 1.0);
  EXPECT_EQ(events[0].change_time, -1);
  EXPECT_EQ(events[1].kind, ScoreEvent::kRecall);
  EXPECT_EQ(events[1].slot, 4);
  EXPECT_EQ(events[2].control, 23);
  EXPECT_EQ(events[2].value, 1000);
  EXPECT_EQ(events[2].change_time, 32);
  EXPECT_EQ(events[3].kind, ScoreEvent::kStop);
  std::istringstream bad("1 set 23 1000\n2 sett 1 2\n");
  try {
    ParseScore(bad, "s.txt");
    FAIL();
  } catch (const ScoreError& e) {
    EXPECT_EQ(std::string(e.what()),
              "s.txt:2: expected \"set\", \"recall\" or \"stop\" after the time, not \"sett\"");
  }
  for (const char* out_of_range : {"1 set 23 5000\n", "1 recall 21\n"}) {
    std::istringstream range(out_of_range);
    EXPECT_THROW(ParseScore(range, "s"), ScoreError) << out_of_range;
  }
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
TEST_F(RenderJobTest, UnreadableScoresAreErrors) {
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
  EXPECT_EQ(message("/dev/zero"),
            "cannot read the score /dev/zero: a score is a text of at most 16 MiB");
  std::ofstream(Path("score.txt")) << "1 stop\n";
  EXPECT_EQ(ReadScoreText(Path("score.txt")), "1 stop\n");
}

// The file holds exactly what the engine renders after Play's snapshot, block by block, and the
// summary counts the engine's grains. Without a score or --block the render takes longer blocks
// (and cuts the last at the length), with the same samples.
TEST_F(RenderJobTest, FloatFileEqualsTheEnginesBlocks) {
  RenderJob job;
  const RenderSummary sum = job.Run(
      Args({"--blocks", "100", "--set", "8=200", "--set", "0=1000", "-o", Path("o.wav")}), {});
  EXPECT_EQ(job.engine().block_frames(), kPlainRenderBlock);
  SF_INFO info;
  const auto samples = ReadFloats(Path("o.wav"), &info);
  ASSERT_EQ(info.frames, 25600);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(sum.frames, 25600);
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
  EXPECT_EQ(sum.grains, ref.grains_started());
}

// A dense cloud on one, two and three threads: the blocks are shared and each is written into
// the file while the next renders; the files and the summaries are the same.
TEST_F(RenderJobTest, EveryThreadCountWritesTheSameFile) {
  std::string first;
  RenderSummary one;
  for (const char* threads : {"1", "2", "3"}) {
    RenderJob job;
    const std::string out = Path(std::string("t") + threads + ".wav");
    const RenderSummary sum =
        job.Run(Args({"--seconds", "1.3", "--bits", "16", "--set", "7=16106", "--set", "10=324",
                      "--set", "25=256", "--threads", threads, "-o", out}),
                {});
    EXPECT_EQ(sum.frames, 57330);
    if (first.empty()) {
      first = testing::ReadBytes(out);
      one = sum;
      EXPECT_GT(sum.grains, 1000u);
      continue;
    }
    EXPECT_EQ(testing::ReadBytes(out), first) << threads << " threads";
    EXPECT_EQ(sum.grains, one.grains) << threads << " threads";
    EXPECT_EQ(sum.peak, one.peak) << threads << " threads";
    EXPECT_EQ(sum.clipped, one.clipped) << threads << " threads";
  }
}

// The glide of "0 set 23 1000 64" ends at frame 44100; the control update
// runs every 104 frames, so 43992 still glides and 44096 takes the target.
TEST_F(RenderJobTest, ScoreGlideArrivesAtItsControlUpdate) {
  std::istringstream text("0 set 23 1000 64\n");
  const auto score = ParseScore(text, "glide");
  {
    RenderJob job;
    job.Run(Args({"--block", "8", "--blocks", "5512", "-o", Path("o.wav")}),
            score);  // 44096 frames
    EXPECT_EQ(job.engine().frame_clock(), 44096);
    EXPECT_EQ(job.engine().block_frames(), 8);
    const ControlRecord& c = job.streams()[0].controls[23];
    EXPECT_EQ(c.target, 1000);
    EXPECT_NE(c.current, 1000.0f);
    EXPECT_GT(c.current, 970.0f);  // one update short of the target
  }
  RenderJob job;
  job.Run(Args({"--block", "8", "--blocks", "5513", "-o", Path("o.wav")}), score);
  EXPECT_EQ(job.streams()[0].controls[23].current, 1000.0f);
  EXPECT_EQ(job.streams()[0].controls[23].value, 1000);
}

TEST_F(RenderJobTest, SetBeforePlayIsSnapped) {
  RenderJob job;
  job.Run(Args({"--blocks", "1", "--set", "23=100", "--set", "28=6", "-o", Path("o.wav")}), {});
  EXPECT_EQ(job.streams()[0].controls[23].current, 100.0f);
  EXPECT_EQ(job.streams().change_time(), 6);
}

// A stop in the score is a soft stop: grains of 2 s, stopped at 1 s, fade over half a
// second; then silence to the length asked for.
TEST_F(RenderJobTest, SoftStopFadesAndSilenceKeepsTheRequestedLength) {
  std::istringstream text("1 stop\n");
  RenderJob job;
  const RenderSummary sum = job.Run(
      Args({"--seconds", "5", "--set", "10=1448", "-o", Path("o.wav")}), ParseScore(text, "stop"));
  EXPECT_EQ(job.engine().active_grains(), 0);
  EXPECT_EQ(sum.frames, 5 * 44100);
  SF_INFO info;
  const auto samples = ReadFloats(Path("o.wav"), &info);
  ASSERT_EQ(info.frames, 5 * 44100);
  EXPECT_GT(Peak(samples, 0, 2 * 44100), 0.1f);
  EXPECT_GT(Peak(samples, 2 * 44100, 2 * 66150), 0.0f);
  EXPECT_EQ(Peak(samples, 2 * 70000, samples.size()), 0.0f);
}

// The renderer's blocks are played as soon as they are made, so a stop in the
// first blocks (at 0.01 s, the third block) finds play running and fades.
TEST_F(RenderJobTest, StopInTheFirstBlocksFadesToo) {
  std::istringstream text("0.01 stop\n");
  RenderJob job;
  job.Run(Args({"--seconds", "1", "--set", "10=1448", "-o", Path("o.wav")}),
          ParseScore(text, "early"));
  const auto samples = ReadFloats(Path("o.wav"), nullptr);
  EXPECT_GT(Peak(samples, 2 * 4410, 2 * 17640), 0.01f);  // 0.1 s to 0.4 s: fading
  EXPECT_EQ(Peak(samples, 2 * 26460, samples.size()), 0.0f);  // silent from 0.6 s
}

// A stop before the first block (the score's time 0) stops play while Play is
// still filling its first blocks; the render is silence of the length asked for.
TEST_F(RenderJobTest, StopAtTimeZeroGivesSilenceOfTheRequestedLength) {
  std::istringstream text("0 stop\n");
  RenderJob job;
  const RenderSummary sum =
      job.Run(Args({"--blocks", "40", "-o", Path("o.wav")}), ParseScore(text, "stop0"));
  EXPECT_EQ(sum.frames, 40 * 256);
  EXPECT_EQ(sum.grains, 0u);
  SF_INFO info;
  const auto samples = ReadFloats(Path("o.wav"), &info);
  ASSERT_EQ(info.frames, 40 * 256);
  EXPECT_EQ(Peak(samples, 0, samples.size()), 0.0f);
}

// No one answers the loader's memory question in a render: a source that may
// not fit is refused with the loader's message.
TEST_F(RenderJobTest, SourceThatMayNotFitIsRefused) {
  const std::string src = Path("big.wav");
  ASSERT_EQ(
      0,
      std::system(("sox -n -r 44100 -c 1 -b 16 " + src + " synth 30 sine 220 2>/dev/null").c_str()))
      << "sox is needed";
  RenderJob job;
  job.set_memory_status([] { return MemoryStatus{16000000, 1000000}; });
  try {
    job.Run(Args({"--source", src, "--blocks", "1", "-o", Path("o.wav")}), {});
    ADD_FAILURE() << "rendered";
  } catch (const RenderError& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind(src + " (", 0), 0u) << text;
    EXPECT_NE(text.find(" kB) may be larger than available memory (976 kB)"), std::string::npos)
        << text;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("o.wav")));
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

  // Long blocks: groups of four until a NaN, then one by one.
  RenderStats late;
  const float late_nan[] = {0.25f, -0.6f, 0.5f, 0.0f, -0.9f, std::nanf(""), 1.5f, -2.0f, 0.3f};
  late.Count(late_nan, 9);
  EXPECT_TRUE(std::isnan(late.peak));
  EXPECT_EQ(late.clipped, 3u);
  EXPECT_EQ(late.not_numbers, 1u);
}

// --channels 3 reads both channels of a stereo source (made by sox) and needs one.
TEST_F(RenderJobTest, BothChannelsNeedAStereoSource) {
  RenderJob mono;
  EXPECT_THROW(mono.Run(Args({"--blocks", "1", "--channels", "2", "-o", Path("o.wav")}), {}),
               RenderError);
  const std::string src = Path("src.wav");
  ASSERT_EQ(
      0,
      std::system(
          ("sox -n -r 22050 -c 2 -b 16 " + src + " synth 1 sine 220 sine 330 2>/dev/null").c_str()))
      << "sox is needed";
  RenderJob job;
  const RenderSummary sum = job.Run(
      Args({"--source", src, "--channels", "3", "--seconds", "1", "-o", Path("o.wav")}), {});
  EXPECT_EQ(sum.frames, 44100);
  EXPECT_GT(sum.peak, 0.05f);
  EXPECT_EQ(job.streams()[0].input_mask, 3);
}

}  // namespace
}  // namespace kornmill
