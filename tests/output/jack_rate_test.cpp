// The output follows a real JACK server's rate (dummy backend; each server of the fixtures runs
// at its own rate): Play, a recording's header and grain lengths in seconds.
#include <gtest/gtest.h>
#include <rtaudio/RtAudio.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/output_texts.h"
#include "output/system_devices.h"
#include "output_fakes.h"
#include "tests/engine/engine_access.h"

namespace kornmill {
namespace {

using testing::LoopWaker;

const int32_t kJackDevice = MakeRtAudioSelection(RtAudio::UNIX_JACK, 0);

class JackRateTest : public ::testing::Test, public testing::OutputRig<LoopWaker> {
 protected:
  void SetUp() override {
    // "RATE:NAME" of the fixture's server; the tests talk to it and never start one.
    const char* fixture = std::getenv("KORNMILL_JACK_RATE_FIXTURE");
    ASSERT_NE(fixture, nullptr) << "run through ctest (JACK fixture)";
    const std::string rate_and_name = fixture;
    const size_t colon = rate_and_name.find(':');
    ASSERT_NE(colon, std::string::npos) << rate_and_name;
    server_rate = std::atoi(rate_and_name.substr(0, colon).c_str());
    ::setenv("JACK_DEFAULT_SERVER", rate_and_name.substr(colon + 1).c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    folder = std::filesystem::temp_directory_path() /
             ("kornmill-jack-rate-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    // The program's default rate, which no JACK server of the fixtures runs at.
    out.set_device_provider(MakeSystemDevices());
    out.config().selected_device = kJackDevice;
    out.config().sample_rate = 22050;
    out.InitAudioOutput(folder.string(), "");
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  void Play() {
    ASSERT_EQ(out.config().selected_device, kJackDevice);
    out.TogglePlay(kPlayFromButton);
    ASSERT_TRUE(out.playing()) << (view.errors.empty() ? "" : view.errors[0]);
  }
  void Stop() {
    out.config().soft_stop = 0;
    out.TogglePlay(kPlayFromButton);
    ASSERT_FALSE(out.playing());
  }

  int server_rate = 0;
  std::filesystem::path folder;
};

TEST_F(JackRateTest, PlayRunsAtTheServersRate) {
  Play();
  EXPECT_EQ(out.config().sample_rate, server_rate);
  EXPECT_EQ(engine.output_rate(), uint32_t(server_rate));
  EXPECT_EQ(engine.sine().onset_unit, 268435456u / uint32_t(server_rate));
  ASSERT_FALSE(view.status.empty());
  EXPECT_EQ(view.status.back(),
            "Playing at " + std::to_string(server_rate) + " Hz (the sound server's rate)");
  EXPECT_TRUE(view.errors.empty());
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 50; }, std::chrono::seconds(60)));
  EXPECT_GE(engine.frame_clock(), 50 * out.config().frames_per_block);
  Stop();
}

TEST_F(JackRateTest, ARecordingMadeWhilePlayingHasTheServersRate) {
  Play();
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.blocks_played() >= 8; }, std::chrono::seconds(30)));
  out.ToggleRecord();
  ASSERT_TRUE(out.recording());
  ASSERT_TRUE(waker.RunUntil(
      out, [&] { return out.config().blocks_written >= 40; }, std::chrono::seconds(60)));
  Stop();
  const int blocks = out.config().blocks_written;
  out.ToggleRecord();

  const std::string path = (folder / "sifter01.wav").string();
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_close(file);
  EXPECT_EQ(info.samplerate, server_rate);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.frames, sf_count_t(blocks) * out.config().frames_per_block);
}

TEST_F(JackRateTest, GrainLengthsInSecondsAreKept) {
  Play();
  // A grain length value of 324 lasts 324² / 2^20 s = 0.1001 s at every rate.
  Stream& s = *streams.first();
  for (int k : {kGrainLength, kGrainLengthRnd, kGrainLengthAm}) {
    const int v = k == kGrainLength ? 324 : 0;
    s.controls[k].current = float(v);
    s.controls[k].value = v;
    s.controls[k].target = v;
    s.controls[k].end_time = 0;
  }
  std::lock_guard<std::mutex> lock(out.render_lock());
  Grain* g = EngineTestAccess::StartGrain(engine, s);
  ASSERT_NE(g, nullptr);
  const int expected = server_rate == 48000 ? 4805 : server_rate == 44100 ? 4415 : -1;
  EXPECT_EQ(g->remaining, expected) << "at " << server_rate << " Hz";
}

}  // namespace
}  // namespace kornmill
