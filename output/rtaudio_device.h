// An RtAudio output stream on one host API, with a watch for a server that goes away.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "output/output_device.h"

class RtAudio;

namespace kornmill {

// RtAudio output device `index` of host API `api` (an RtAudio::Api number;
// 0 lets RtAudio choose). RtAudio's exceptions never leave this class. Main
// thread, except the stream callback (RtAudio's thread) and the watch thread.
class RtAudioDevice final : public OutputDevice {
 public:
  RtAudioDevice(int api, int index);
  ~RtAudioDevice() override;

  bool Open(StreamRequest& request, BlockSource& source, std::string& error) override;
  bool Start(std::string& error) override;
  void Close() override;
  bool lost() const override { return lost_.load(std::memory_order_acquire); }
  std::string lost_reason() const override;

  // Stream callbacks so far (any thread).
  uint64_t callbacks() const { return target_->callbacks.load(std::memory_order_relaxed); }

  // What RtAudio's callback reaches. It outlives this device when the stream
  // is lost (RtAudio may still hold it), and then only plays silence.
  struct CallbackTarget {
    std::atomic<BlockSource*> source{nullptr};
    std::atomic<uint64_t> callbacks{0};
    int channels = 2;
  };

 private:
  // RtAudio's callback thread.
  static int Callback(void* output, void* input, unsigned frames, double time, unsigned status,
                      void* user);
  // Watch thread: notices a stream that RtAudio closed by itself.
  void Watch();
  void StopWatch();
  void ForgetStream();

  int api_;
  int index_;
  std::unique_ptr<RtAudio> rt_;
  std::unique_ptr<CallbackTarget> target_ = std::make_unique<CallbackTarget>();
  std::thread watch_;
  std::mutex watch_mutex_;
  std::condition_variable watch_wake_;
  bool watch_quit_ = false;
  std::atomic<bool> lost_{false};
};

// The RtAudio host APIs this RtAudio was built with (no dummy API), as RtAudio::Api numbers.
std::vector<int> CompiledHostApis();

}  // namespace kornmill
