// The built-in null device: consumes blocks on the clock without a sound card.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "output/output_device.h"

namespace kornmill {

inline constexpr const char* kNullDeviceName = "Null output (no sound card)";

// The list's entry for the null device.
DeviceEntry NullDeviceEntry();

// A clock thread sleeps until each block's deadline (frames / rate after the
// previous one) and then takes one block from the source, like a sound card
// that plays it. Main-thread interface; the source is called on the clock thread.
class NullDevice final : public OutputDevice {
 public:
  NullDevice() = default;
  ~NullDevice() override;

  bool Open(StreamRequest& request, BlockSource& source, std::string& error) override;
  bool Start(std::string& error) override;
  void Close() override;

  // Blocks consumed since Open (any thread).
  uint64_t blocks() const { return blocks_.load(std::memory_order_relaxed); }

 private:
  void Run();

  BlockSource* source_ = nullptr;
  StreamRequest request_;
  std::vector<int16_t> buffer_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool quit_ = false;
  std::atomic<uint64_t> blocks_{0};
};

}  // namespace kornmill
