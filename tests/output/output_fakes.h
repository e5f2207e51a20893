// Test doubles for the audio output: a hand-stepped device, a recording view and a counting waker.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/audio_output.h"
#include "output/block_writer.h"
#include "output/output_device.h"
#include "output/output_view.h"

namespace kornmill::testing {

struct ButtonState {
  std::string text;
  bool checked = false;
  bool operator==(const ButtonState&) const = default;
  friend std::ostream& operator<<(std::ostream& o, const ButtonState& b) {
    return o << '"' << b.text << '"' << (b.checked ? " checked" : "");
  }
};
// What a Play button shows while stopped and while playing.
inline const ButtonState kShowsPlay{"&Play", false};
inline const ButtonState kShowsStop{"Sto&p", true};

class RecordingView : public OutputView {
 public:
  void SetPlayButton(int id, std::string_view text, bool checked) override {
    (id == 2031 ? gesture_play : play) = ButtonState{std::string(text), checked};
  }
  void SetRecordButtons(bool checked) override { record_checked = checked; }
  void ShowStatus(std::string_view text) override { status.emplace_back(text); }
  void ShowError(std::string_view title, std::string_view text) override {
    errors.push_back(std::string(title) + ": " + std::string(text));
  }
  void ShowWarning(std::string_view text) override { warnings.emplace_back(text); }
  bool GestureWindowOpen() const override { return gesture_open; }
  void SoundOptionsChanged() override { ++options_saved; }
  void OutputRateChanged(uint32_t rate) override { rates.push_back(rate); }

  ButtonState play, gesture_play;
  bool record_checked = false;
  bool gesture_open = false;
  std::vector<std::string> status, errors, warnings;
  int options_saved = 0;
  std::vector<uint32_t> rates;  // OutputRateChanged, in order
};

// Counts wake-ups; Drain answers each with OnBlockDone, as the main loop does.
class CountingWaker : public MainThreadWaker {
 public:
  void PostBlockDone(int) override { ++pending; }
  void Drain(AudioOutput& out) {
    for (; pending > 0; --pending) out.OnBlockDone(0);
  }
  int pending = 0;
};

// A device stepped by the test: every Pull is one device callback.
class SteppedDevice : public OutputDevice {
 public:
  struct Log {
    int opens = 0;
    int starts = 0;
    int closes = 0;
    StreamRequest last;
  };
  SteppedDevice(Log& log, std::string fail, unsigned force_frames, uint32_t force_rate)
      : log_(log), fail_(std::move(fail)), force_frames_(force_frames), force_rate_(force_rate) {}

  bool Open(StreamRequest& r, BlockSource& s, std::string& error) override {
    ++log_.opens;
    log_.last = r;
    if (!fail_.empty()) {
      error = fail_;
      return false;
    }
    if (force_frames_) r.frames = force_frames_;
    if (force_rate_) r.rate = force_rate_;
    source_ = &s;
    channels_ = r.channels;
    frames_ = r.frames;
    return true;
  }
  bool Start(std::string&) override {
    ++log_.starts;
    return true;
  }
  void Close() override { ++log_.closes; }
  bool lost() const override { return false; }
  std::string lost_reason() const override { return {}; }

  // One callback; returns the 16-bit samples the device got.
  std::vector<int16_t> Pull() {
    std::vector<int16_t> buf(static_cast<size_t>(frames_) * channels_, 12345);
    source_->SendBlock(buf.data(), frames_);
    return buf;
  }

 private:
  Log& log_;
  std::string fail_;
  unsigned force_frames_;
  uint32_t force_rate_;
  BlockSource* source_ = nullptr;
  int channels_ = 2;
  unsigned frames_ = 0;
};

class SteppedProvider : public DeviceProvider {
 public:
  explicit SteppedProvider(int rtaudio_devices = 1) : rtaudio_devices_(rtaudio_devices) {}
  int RtAudioDeviceCount(int32_t) override { return rtaudio_devices_; }
  // Device i of JACK is listed as "(JACK) stepped i".
  std::vector<DeviceEntry> ListDevices() override {
    std::vector<DeviceEntry> list;
    for (int i = 0; i < rtaudio_devices_; ++i) {
      const std::string name = "stepped " + std::to_string(i);
      list.push_back({MakeRtAudioSelection(4, i), "JACK", name, "(JACK) " + name});
    }
    list.push_back(
        {0, "Null", "Null output (no sound card)", "(Null) Null output (no sound card)"});
    return list;
  }
  std::unique_ptr<OutputDevice> MakeDevice(int32_t) override {
    auto d = std::make_unique<SteppedDevice>(log, fail, force_frames, force_rate);
    device = d.get();
    return d;
  }

  SteppedDevice::Log log;
  SteppedDevice* device = nullptr;
  std::string fail;
  unsigned force_frames = 0;
  uint32_t force_rate = 0;  // a device that runs at this rate only

 private:
  int rtaudio_devices_;
};

// An output file in memory; `room` samples fit before writes come up short.
struct MemoryFile {
  std::string path;
  WaveFormat format;
  std::vector<float> samples;
  size_t room = SIZE_MAX;
  bool room_is_format_end = false;  // the room is where the format ends (WAV: 4 GiB)
  bool closed = false;
};

class MemoryWriter : public BlockWriter {
 public:
  explicit MemoryWriter(std::shared_ptr<MemoryFile> f) : f_(std::move(f)) {}
  size_t Write(const float* data, size_t n) override {
    const size_t left = f_->room - std::min(f_->room, f_->samples.size());
    const size_t k = std::min(n, left);
    f_->samples.insert(f_->samples.end(), data, data + k);
    return k;
  }
  void Close() override { f_->closed = true; }
  bool at_size_limit() const override {
    return f_->room_is_format_end && f_->samples.size() >= f_->room;
  }

 private:
  std::shared_ptr<MemoryFile> f_;
};

// Every file the factory made, in order.
struct MemoryFiles {
  std::vector<std::shared_ptr<MemoryFile>> files;
  size_t room = SIZE_MAX;
  bool room_is_format_end = false;
  WriterFactory factory() {
    return [this](const std::string& path, const WaveFormat& format) {
      auto f = std::make_shared<MemoryFile>();
      f->path = path;
      f->format = format;
      f->room = room;
      f->room_is_format_end = room_is_format_end;
      files.push_back(f);
      return std::make_unique<MemoryWriter>(f);
    };
  }
};

// The main loop of the instrument, reduced: wake-ups from any thread, answered here.
class LoopWaker : public MainThreadWaker {
 public:
  void PostBlockDone(int) override {
    pending_.fetch_add(1, std::memory_order_release);
    wake_.notify_one();
  }
  // Answers wake-ups until `done` holds or `limit` passes; false on timeout.
  bool RunUntil(AudioOutput& out, const std::function<bool()>& done, std::chrono::seconds limit) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + limit;
    while (!done()) {
      if (Clock::now() > end) return false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(10),
                       [this] { return pending_.load(std::memory_order_acquire) > 0; });
      }
      for (int n = pending_.exchange(0); n > 0; --n) out.OnBlockDone(0);
    }
    return true;
  }

 private:
  std::atomic<int> pending_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
};

// The audio output of an instrument with its engine, streams, view and main-loop waker.
template <typename Waker>
struct OutputRig {
  OutputRig() { streams.InitStreams(&engine.sine()); }

  Engine engine;
  StreamTable streams;
  RecordingView view;
  Waker waker;
  AudioOutput out{engine, streams, view, waker};
};

// An instrument with a hand-stepped device and a fresh output folder per test (removed
// afterwards).
class SteppedOutputTest : public ::testing::Test, public OutputRig<CountingWaker> {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("kornmill-output-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    auto p = std::make_unique<SteppedProvider>();
    provider = p.get();
    out.set_device_provider(std::move(p));
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  void Init() { out.InitAudioOutput(folder.string(), ""); }
  // One device callback, then the main loop answers its wake-ups; returns
  // what the device was given.
  std::vector<int16_t> Pull() {
    auto b = provider->device->Pull();
    waker.Drain(out);
    return b;
  }

  std::filesystem::path folder;
  SteppedProvider* provider = nullptr;
};

}  // namespace kornmill::testing
