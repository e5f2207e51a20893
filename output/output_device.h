// An output device that pulls 16-bit blocks through a callback, and the provider that lists and
// makes devices.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kornmill {

// The block source a device calls for every block it consumes (the audio
// output's SendBlock). Called on the device's own thread; it converts one
// queued block into `buffer` (frames × channels 16-bit samples) or silence,
// and never blocks or allocates.
class BlockSource {
 public:
  virtual ~BlockSource() = default;
  virtual void SendBlock(int16_t* buffer, unsigned frames) = 0;
  // The device went away by itself (OutputDevice::lost() is now true). Called
  // on a device thread; wakes the main thread, nothing more.
  virtual void DeviceLost() {}
};

// What a stream is opened with. `frames` may be changed by the device (JACK
// imposes its own block size), and so may `rate` when the device runs at one
// rate only (a JACK server); the caller then rebuilds its ring and rates.
struct StreamRequest {
  uint32_t rate = 22050;
  int channels = 2;
  unsigned frames = 256;
  int buffers = 4;
};

// One opened output stream. All calls come from the main thread.
class OutputDevice {
 public:
  virtual ~OutputDevice() = default;
  // Opens the stream; on failure returns false with the device's reason in `error`.
  virtual bool Open(StreamRequest& request, BlockSource& source, std::string& error) = 0;
  // Starts calling the source; false with a reason on failure.
  virtual bool Start(std::string& error) = 0;
  // Stops and closes the stream (nothing to do when it was lost). Never throws.
  virtual void Close() = 0;
  // True once the device went away by itself while open (a JACK server that
  // shut down); the stream is then closed already and must not be touched.
  virtual bool lost() const { return false; }
  // A text for the user about why the device was lost.
  virtual std::string lost_reason() const { return {}; }
};

// One entry of the device list shown by the options dialog.
struct DeviceEntry {
  int32_t selection = 0;  // the selection value (see output_config.h)
  std::string api;        // host API name ("JACK", "Pulse", "ALSA", "Null")
  std::string name;       // device name
  std::string label;      // "(JACK) system" style list text
};

// Lists devices and makes the device for a selection value.
class DeviceProvider {
 public:
  virtual ~DeviceProvider() = default;
  // Number of RtAudio devices of the selection's host API (0 when there is none).
  virtual int RtAudioDeviceCount(int32_t selection) = 0;
  // Every output device, RtAudio devices first, then the null device.
  virtual std::vector<DeviceEntry> ListDevices() = 0;
  // The device for a (validated) selection value.
  virtual std::unique_ptr<OutputDevice> MakeDevice(int32_t selection) = 0;
};

// Only the built-in null device, for an output that no sound card is given to.
// The machine's sound cards come from MakeSystemDevices (output/system_devices.h).
std::unique_ptr<DeviceProvider> MakeNullDevices();

}  // namespace kornmill
