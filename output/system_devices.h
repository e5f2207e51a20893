// The devices of this machine: every RtAudio host API's output devices and the built-in null
// device.
#pragma once

#include "output/output_device.h"

namespace kornmill {

inline constexpr const char* kNullDeviceName = "Null output (no sound card)";

// Main thread only. RtAudio's errors while listing count as "no devices".
class SystemDevices final : public DeviceProvider {
 public:
  int RtAudioDeviceCount(int32_t selection) override;
  std::vector<DeviceEntry> ListDevices() override;
  std::unique_ptr<OutputDevice> MakeDevice(int32_t selection) override;
};

}  // namespace kornmill
