// A device list of a machine with a sound card, whose devices all play on the clock (no sound).
#pragma once

#include <memory>
#include <vector>

#include "output/null_device.h"
#include "output/output_config.h"
#include "output/output_device.h"

namespace kornmill::testing {

// Lists "(JACK) clock" and the null output; every device made is a null device.
// Tests get the same window on every machine, with or without sound.
class ClockDevices : public DeviceProvider {
 public:
  int RtAudioDeviceCount(int32_t) override { return 1; }
  std::vector<DeviceEntry> ListDevices() override {
    return {{MakeRtAudioSelection(4, 0), "JACK", "clock", "(JACK) clock"},
            {0, "Null", "Null output (no sound card)", "(Null) Null output (no sound card)"}};
  }
  std::unique_ptr<OutputDevice> MakeDevice(int32_t selection) override {
    made.push_back(selection);
    return std::make_unique<NullDevice>();
  }
  std::vector<int32_t> made;
};

}  // namespace kornmill::testing
