// The devices of this machine: every RtAudio host API's output devices and the built-in null
// device.
#pragma once

#include "output/null_device.h"
#include "output/output_device.h"

namespace kornmill {

// The devices of this machine: RtAudio's host APIs and the built-in null device.
std::unique_ptr<DeviceProvider> MakeSystemDevices();

// Main thread only. RtAudio's errors while listing count as "no devices".
// RtAudio reports one PulseAudio device whether or not a server runs; here it
// counts only when a server's socket is there, so that a machine without any
// sound falls back to the null device. A selection without a host API (bits
// 17-20 zero) means the first host API with devices, in RtAudio's order.
class SystemDevices final : public DeviceProvider {
 public:
  int RtAudioDeviceCount(int32_t selection) override;
  std::vector<DeviceEntry> ListDevices() override;
  std::unique_ptr<OutputDevice> MakeDevice(int32_t selection) override;

 private:
  // Output-capable devices of one host API.
  static int ApiDeviceCount(int api);
  // The host API a selection stands for (its own, or the first with devices; 0 when none has).
  static int ResolveApi(int32_t selection);
};

// Whether a PulseAudio (or PipeWire) server socket can be found.
bool PulseServerReachable();

}  // namespace kornmill
