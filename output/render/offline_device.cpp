// The offline device and its provider.
#include "output/render/offline_device.h"

namespace kornmill {

OfflineDevice::~OfflineDevice() {
  if (*registry_ == this) *registry_ = nullptr;
}

bool OfflineDevice::Open(StreamRequest& request, BlockSource& source, std::string& error) {
  if (request.frames == 0 || request.channels < 1) {
    error = "The offline device needs a block size and channels.";
    return false;
  }
  source_ = &source;
  frames_ = request.frames;
  buffer_.assign(static_cast<size_t>(request.frames) * request.channels, 0);
  return true;
}

bool OfflineDevice::Start(std::string& error) {
  if (!source_) {
    error = "The offline device is not open.";
    return false;
  }
  started_ = true;
  return true;
}

void OfflineDevice::Pull() {
  // Without a clock there is nothing to wait for: an open device takes blocks
  // even before Play has started it.
  if (source_) source_->SendBlock(buffer_.data(), frames_);
}

std::vector<DeviceEntry> OfflineDevices::ListDevices() {
  DeviceEntry e;
  e.selection = 0;
  e.api = "Offline";
  e.name = "Offline renderer";
  e.label = "(Offline) Offline renderer";
  return {e};
}

std::unique_ptr<OutputDevice> OfflineDevices::MakeDevice(int32_t) {
  auto d = std::make_unique<OfflineDevice>(&device_);
  device_ = d.get();
  return d;
}

}  // namespace kornmill
