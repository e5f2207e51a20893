// The audio output against a real JACK server (dummy backend): play, the device list, an imposed
// block size, a dying server.
#include <gtest/gtest.h>
#include <rtaudio/RtAudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/system_devices.h"
#include "output_fakes.h"

namespace kornmill {
namespace {

using testing::LoopWaker;
using testing::MemoryFiles;
using Clock = std::chrono::steady_clock;

const int32_t kJackDevice = MakeRtAudioSelection(RtAudio::UNIX_JACK, 0);

class JackOutputTest : public ::testing::Test, public testing::OutputRig<LoopWaker> {
 protected:
  void SetUp() override {
    // The fixture names its server; the tests talk to it and never start one.
    const char* fixture = std::getenv("KORNMILL_JACK_FIXTURE");
    ASSERT_NE(fixture, nullptr) << "run through ctest (JACK fixture)";
    ::setenv("JACK_DEFAULT_SERVER", fixture, 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    out.set_device_provider(MakeSystemDevices());
    out.set_writer_factory(files.factory());
    out.config().selected_device = kJackDevice;
    out.config().sample_rate = 48000;
    out.InitAudioOutput("/tmp", "");
  }

  MemoryFiles files;
};

TEST_F(JackOutputTest, PlaysBlocksThroughRtAudio) {
  ASSERT_EQ(out.config().selected_device, kJackDevice)
      << (view.warnings.empty() ? "" : view.warnings[0]);
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  const auto start = Clock::now();
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 200; }, std::chrono::seconds(60)));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  // Snapshot on the main thread; a callback may slip in between the reads.
  const int queued = out.queued();
  const int played = out.blocks_played();
  const int underruns = out.underruns();
  const int rendered = engine.frame_clock() / 256;
  EXPECT_NEAR(rendered, played - underruns + queued, 2);
  EXPECT_LE(underruns, played);
  // 48000 / 256 = 187.5 callbacks a second; a loaded machine may lag, never run ahead.
  EXPECT_LE(played, 187.5 * seconds * 1.5 + 8);
  EXPECT_GE(played, 187.5 * seconds * 0.3);
  out.config().soft_stop = 0;
  out.TogglePlay(kPlayFromButton);
  EXPECT_FALSE(out.playing());
  EXPECT_EQ(out.blocks_played(), 0);
}

TEST_F(JackOutputTest, TheJackServerIsListedWithItsHostApi) {
  const auto devices = out.ListDevices();
  ASSERT_FALSE(devices.empty());
  bool jack = false;
  for (const DeviceEntry& d : devices) {
    if (d.selection == kJackDevice) {
      jack = true;
      EXPECT_EQ(d.label, "(JACK) " + d.name);
    }
  }
  EXPECT_TRUE(jack);
  EXPECT_EQ(devices.back().selection, 0);
  EXPECT_EQ(devices.back().label, "(Null) Null output (no sound card)");
}

TEST_F(JackOutputTest, JackBlockSizeReallocatesTheRing) {
  out.config().frames_per_block = 1024;
  out.AllocateOutputBuffers();
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  EXPECT_EQ(out.config().frames_per_block, 256);
  EXPECT_EQ(out.config().bytes_per_float_block, 256 * 2 * 4);
  EXPECT_EQ(engine.block_frames(), 256);
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 20; }, std::chrono::seconds(30)));
  out.StopPlay();
}

// A server of this test's own, killed while the instrument plays and records.
TEST_F(JackOutputTest, DyingServerStopsPlayCleanly) {
  // One name per build tree: JACK reclaims a dead server's registry slot only for the same name.
  const std::string fixture = std::getenv("KORNMILL_JACK_FIXTURE");
  const std::string name = fixture + "-dying";
  const std::string dir = "/tmp/kornmill-jack-test";
  const std::string script = std::string(KORNMILL_SOURCE_DIR) + "/tests/output/";
  ASSERT_EQ(0,
            std::system(("bash " + script + "jack_server_start.sh " + name + " " + dir).c_str()));
  std::ifstream pidfile(dir + "/" + name + ".pid");
  pid_t pid = 0;
  pidfile >> pid;
  ASSERT_GT(pid, 0);
  ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);

  ASSERT_TRUE(out.RecordNextPlay("/tmp/dying.wav"));
  out.TogglePlay(kPlayFromButton);
  ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 40; }, std::chrono::seconds(30)));
  ::kill(pid, SIGTERM);
  const bool stopped = waker.RunUntil(
      out, [&] { return !out.playing(); }, std::chrono::seconds(30));
  std::system(("bash " + script + "jack_server_stop.sh " + name + " " + dir).c_str());
  ::setenv("JACK_DEFAULT_SERVER", fixture.c_str(), 1);
  ASSERT_TRUE(stopped);
  EXPECT_EQ(view.play, testing::kShowsPlay);
  ASSERT_FALSE(view.errors.empty());
  EXPECT_NE(view.errors.back().find("JACK server shut down"), std::string::npos)
      << view.errors.back();
  // Every block rendered so far is in the file, which is still open and whole.
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_TRUE(out.recording());
  const size_t rendered = static_cast<size_t>(engine.frame_clock()) * 2;
  EXPECT_EQ(files.files[0]->samples.size(), rendered);
  EXPECT_EQ(out.config().blocks_written, engine.frame_clock() / 256);
  out.ToggleRecord();
  EXPECT_TRUE(files.files[0]->closed);
}

}  // namespace
}  // namespace kornmill
