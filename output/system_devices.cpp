// Device listing and device making over RtAudio and the null device.
#include "output/system_devices.h"

#include <rtaudio/RtAudio.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/null_device.h"
#include "output/output_config.h"
#include "output/rtaudio_device.h"

namespace kornmill {

std::unique_ptr<DeviceProvider> MakeSystemDevices() {
  return std::make_unique<SystemDevices>();
}

bool PulseServerReachable() {
  const char* server = std::getenv("PULSE_SERVER");
  if (server && *server) return true;
  std::error_code ec;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string user_dir =
      runtime && *runtime ? std::string(runtime) : "/run/user/" + std::to_string(::getuid());
  for (const std::string& p : {user_dir + "/pulse/native", std::string("/var/run/pulse/native")}) {
    if (std::filesystem::exists(p, ec)) return true;
  }
  return false;
}

int SystemDevices::ApiDeviceCount(int api) {
  if (api == RtAudio::LINUX_PULSE && !PulseServerReachable()) return 0;
  try {
    RtAudio rt(static_cast<RtAudio::Api>(api));
    rt.showWarnings(false);
    if (rt.getCurrentApi() != api) return 0;
    return static_cast<int>(rt.getDeviceCount());
  } catch (const RtAudioError&) {
    return 0;
  }
}

int SystemDevices::ResolveApi(int32_t selection) {
  if (SelectionApi(selection) != 0) return SelectionApi(selection);
  for (int api : CompiledHostApis()) {
    if (ApiDeviceCount(api) > 0) return api;
  }
  return 0;
}

int SystemDevices::RtAudioDeviceCount(int32_t selection) {
  const int api = ResolveApi(selection);
  return api ? ApiDeviceCount(api) : 0;
}

std::vector<DeviceEntry> SystemDevices::ListDevices() {
  std::vector<DeviceEntry> list;
  for (int api : CompiledHostApis()) {
    if (api == RtAudio::LINUX_PULSE && !PulseServerReachable()) continue;
    try {
      RtAudio rt(static_cast<RtAudio::Api>(api));
      rt.showWarnings(false);
      if (rt.getCurrentApi() != api) continue;
      const unsigned count = rt.getDeviceCount();
      for (unsigned i = 0; i < count && i < 256; ++i) {
        RtAudio::DeviceInfo info = rt.getDeviceInfo(i);
        if (!info.probed || info.outputChannels == 0) continue;
        DeviceEntry e;
        e.selection = MakeRtAudioSelection(api, static_cast<int>(i));
        e.api = HostApiName(api);
        e.name = info.name;
        e.label = "(" + e.api + ") " + e.name;
        list.push_back(std::move(e));
      }
    } catch (const RtAudioError&) {
      // An API that cannot be asked has no devices to offer.
    }
  }
  list.push_back(NullDeviceEntry());
  return list;
}

std::unique_ptr<OutputDevice> SystemDevices::MakeDevice(int32_t selection) {
  if (IsRtAudioSelection(selection)) {
    return std::make_unique<RtAudioDevice>(SelectionApi(selection),
                                           SelectionDeviceIndex(selection));
  }
  return std::make_unique<NullDevice>();
}

}  // namespace kornmill
