// The null device's clock thread.
#include "output/null_device.h"

#include <chrono>

namespace kornmill {
namespace {

class NullDevices final : public DeviceProvider {
 public:
  int RtAudioDeviceCount(int32_t) override { return 0; }
  std::vector<DeviceEntry> ListDevices() override { return {NullDeviceEntry()}; }
  std::unique_ptr<OutputDevice> MakeDevice(int32_t) override {
    return std::make_unique<NullDevice>();
  }
};

}  // namespace

std::unique_ptr<DeviceProvider> MakeNullDevices() {
  return std::make_unique<NullDevices>();
}

DeviceEntry NullDeviceEntry() {
  DeviceEntry e;
  e.selection = 0;
  e.api = "Null";
  e.name = kNullDeviceName;
  e.label = "(Null) " + e.name;
  return e;
}

NullDevice::~NullDevice() {
  Close();
}

bool NullDevice::Open(StreamRequest& request, BlockSource& source, std::string& error) {
  if (request.rate == 0 || request.channels < 1 || request.frames == 0) {
    error = "The null output device needs a sample rate, channels and a block size.";
    return false;
  }
  Close();
  request_ = request;
  source_ = &source;
  buffer_.assign(static_cast<size_t>(request.frames) * request.channels, 0);
  blocks_.store(0, std::memory_order_relaxed);
  return true;
}

bool NullDevice::Start(std::string& error) {
  if (!source_) {
    error = "The null output device is not open.";
    return false;
  }
  if (thread_.joinable()) return true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = false;
  }
  thread_ = std::thread(&NullDevice::Run, this);
  return true;
}

void NullDevice::Close() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
}

// Clock thread: one block per deadline; when it falls more than a ring's worth
// behind (a stalled machine) the schedule starts again from now, as a sound
// card would simply have played silence meanwhile.
void NullDevice::Run() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(double(request_.frames) / request_.rate));
  auto deadline = Clock::now() + period;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    if (wake_.wait_until(lock, deadline, [this] { return quit_; })) break;
    lock.unlock();
    source_->SendBlock(buffer_.data(), request_.frames);
    blocks_.fetch_add(1, std::memory_order_relaxed);
    deadline += period;
    if (Clock::now() - deadline > 4 * period) deadline = Clock::now() + period;
    lock.lock();
  }
}

}  // namespace kornmill
