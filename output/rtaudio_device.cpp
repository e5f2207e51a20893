// RtAudio output streams: open, start, close, the block callback and the watch for a lost server.
#include "output/rtaudio_device.h"

#include <rtaudio/RtAudio.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "output/output_config.h"

namespace kornmill {

namespace {

constexpr auto kWatchPeriod = std::chrono::milliseconds(20);
constexpr int kLostCloseWaits = 100;  // × 20 ms: how long RtAudio gets to close a lost stream
// A running stream without a callback for this long has lost its device (a
// JACK client can hang in its own shutdown without ever closing the stream).
constexpr auto kStallLimit = std::chrono::milliseconds(2000);

// RtAudio instances whose server died. Their library threads may still touch
// them, so they are kept (reachable) until the program ends, never freed.
void KeepForever(std::unique_ptr<RtAudio> rt,
                 std::unique_ptr<RtAudioDevice::CallbackTarget> target) {
  struct Kept {
    std::unique_ptr<RtAudio> rt;
    std::unique_ptr<RtAudioDevice::CallbackTarget> target;
  };
  static std::mutex mutex;
  static auto* kept = new std::vector<Kept>();
  std::lock_guard<std::mutex> lock(mutex);
  kept->push_back(Kept{std::move(rt), std::move(target)});
}

}  // namespace

std::vector<int> CompiledHostApis() {
  std::vector<RtAudio::Api> apis;
  RtAudio::getCompiledApi(apis);
  std::vector<int> out;
  for (RtAudio::Api a : apis) {
    if (a != RtAudio::RTAUDIO_DUMMY && a != RtAudio::UNSPECIFIED) out.push_back(int(a));
  }
  return out;
}

static_assert(kApiAlsa == RtAudio::LINUX_ALSA && kApiPulse == RtAudio::LINUX_PULSE &&
              kApiOss == RtAudio::LINUX_OSS && kApiJack == RtAudio::UNIX_JACK);

RtAudioDevice::RtAudioDevice(int api, int index) : api_(api), index_(index) {}

RtAudioDevice::~RtAudioDevice() {
  Close();
}

bool RtAudioDevice::Open(StreamRequest& request, BlockSource& source, std::string& error) {
  Close();
  lost_.store(false, std::memory_order_release);
  target_->callbacks.store(0, std::memory_order_relaxed);
  target_->channels = request.channels;
  target_->source.store(&source, std::memory_order_release);
  try {
    rt_ = std::make_unique<RtAudio>(static_cast<RtAudio::Api>(api_));
    rt_->showWarnings(false);
    const unsigned count = rt_->getDeviceCount();
    if (index_ < 0 || static_cast<unsigned>(index_) >= count) {
      error = HostApiName(rt_->getCurrentApi()) + ": there is no output device " +
              std::to_string(index_) + " (" + std::to_string(count) + " found).";
      rt_.reset();
      return false;
    }
    // A device that runs at one rate only (a JACK server) refuses any other:
    // the stream takes its rate and the caller follows.
    const RtAudio::DeviceInfo info = rt_->getDeviceInfo(static_cast<unsigned>(index_));
    if (info.sampleRates.size() == 1) request.rate = info.sampleRates.front();
    RtAudio::StreamParameters out;
    out.deviceId = static_cast<unsigned>(index_);
    out.nChannels = static_cast<unsigned>(request.channels);
    out.firstChannel = 0;
    RtAudio::StreamOptions options;
    options.numberOfBuffers = static_cast<unsigned>(request.buffers);
    options.streamName = "Kornmill";
    unsigned frames = request.frames;
    rt_->openStream(&out, nullptr, RTAUDIO_SINT16, request.rate, &frames, &RtAudioDevice::Callback,
                    target_.get(), &options);
    request.frames = frames;
    return true;
  } catch (const RtAudioError& e) {
    error = e.getMessage();
  } catch (const std::exception& e) {
    error = e.what();
  }
  ForgetStream();
  return false;
}

bool RtAudioDevice::Start(std::string& error) {
  if (!rt_ || !rt_->isStreamOpen()) {
    error = "The audio stream is not open.";
    return false;
  }
  try {
    if (!rt_->isStreamRunning()) rt_->startStream();
  } catch (const RtAudioError& e) {
    error = e.getMessage();
    return false;
  }
  if (!watch_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(watch_mutex_);
      watch_quit_ = false;
    }
    watch_ = std::thread(&RtAudioDevice::Watch, this);
  }
  return true;
}

void RtAudioDevice::Close() {
  StopWatch();
  if (!rt_) return;
  if (lost()) {
    // RtAudio closes a stream whose server went away on a thread of its own;
    // calling into it now could free it twice or block on the dead client, so
    // give that thread a moment and then leave the instance alone for good.
    for (int i = 0; i < kLostCloseWaits && rt_->isStreamOpen(); ++i) {
      std::this_thread::sleep_for(kWatchPeriod);
    }
    target_->source.store(nullptr, std::memory_order_release);
    KeepForever(std::move(rt_), std::move(target_));
    target_ = std::make_unique<CallbackTarget>();
    return;
  } else {
    try {
      // Abort rather than stop: stopping waits for a drain that a dead server never delivers.
      if (rt_->isStreamRunning()) rt_->abortStream();
      if (rt_->isStreamOpen()) rt_->closeStream();
    } catch (const RtAudioError&) {
    }
  }
  ForgetStream();
}

std::string RtAudioDevice::lost_reason() const {
  if (api_ == RtAudio::UNIX_JACK || (rt_ && rt_->getCurrentApi() == RtAudio::UNIX_JACK)) {
    return "the JACK server shut down.";
  }
  return "the device stopped.";
}

int RtAudioDevice::Callback(void* output, void*, unsigned frames, double, unsigned, void* user) {
  auto* target = static_cast<CallbackTarget*>(user);
  target->callbacks.fetch_add(1, std::memory_order_relaxed);
  auto* out = static_cast<int16_t*>(output);
  if (BlockSource* source = target->source.load(std::memory_order_acquire)) {
    source->SendBlock(out, frames);
  } else {
    std::memset(out, 0, sizeof(int16_t) * frames * static_cast<unsigned>(target->channels));
  }
  return 0;
}

void RtAudioDevice::Watch() {
  using Clock = std::chrono::steady_clock;
  uint64_t seen = callbacks();
  auto last_change = Clock::now();
  std::unique_lock<std::mutex> lock(watch_mutex_);
  while (!watch_wake_.wait_for(lock, kWatchPeriod, [this] { return watch_quit_; })) {
    const uint64_t now_seen = callbacks();
    if (now_seen != seen) {
      seen = now_seen;
      last_change = Clock::now();
    }
    const bool stalled = Clock::now() - last_change > kStallLimit;
    if (stalled || !rt_->isStreamOpen() || !rt_->isStreamRunning()) {
      lost_.store(true, std::memory_order_release);
      if (BlockSource* source = target_->source.load(std::memory_order_acquire)) {
        source->DeviceLost();
      }
      return;
    }
  }
}

void RtAudioDevice::StopWatch() {
  if (!watch_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(watch_mutex_);
    watch_quit_ = true;
  }
  watch_wake_.notify_all();
  watch_.join();
}

void RtAudioDevice::ForgetStream() {
  rt_.reset();
}

}  // namespace kornmill
