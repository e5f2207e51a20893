// A device without a clock: it consumes a block whenever the offline renderer asks it to.
#pragma once

#include <cstdint>
#include <vector>

#include "output/output_device.h"

namespace kornmill {

// Consumes blocks as fast as they are rendered: each Pull is one device
// callback, on the caller's (main) thread.
class OfflineDevice final : public OutputDevice {
 public:
  // `registry` points at the provider's record of the current device, which
  // this device clears when it goes (the audio output drops it at every stop).
  explicit OfflineDevice(OfflineDevice** registry) : registry_(registry) {}
  ~OfflineDevice() override;
  OfflineDevice(const OfflineDevice&) = delete;
  OfflineDevice& operator=(const OfflineDevice&) = delete;

  bool Open(StreamRequest& request, BlockSource& source, std::string& error) override;
  bool Start(std::string& error) override;
  void Close() override { started_ = false; }

  bool started() const { return started_; }
  // Takes one block from the source, as a sound card's callback would
  // (an underrun when none is queued). Main thread, once the device is open.
  void Pull();

 private:
  OfflineDevice** registry_;
  BlockSource* source_ = nullptr;
  std::vector<int16_t> buffer_;
  unsigned frames_ = 0;
  bool started_ = false;
};

// The offline renderer's only device.
class OfflineDevices final : public DeviceProvider {
 public:
  int RtAudioDeviceCount(int32_t) override { return 0; }
  std::vector<DeviceEntry> ListDevices() override;
  std::unique_ptr<OutputDevice> MakeDevice(int32_t selection) override;
  // The device of the current play (null before the first and after a stop).
  OfflineDevice* device() const { return device_; }

 private:
  OfflineDevice* device_ = nullptr;
};

}  // namespace kornmill
