// The output configuration record, the output sound format and the device selection values.
#pragma once

#include <cstdint>
#include <string>

namespace kornmill {

// Blocks kept queued for the device; the latency is this many blocks.
inline constexpr int kBlockCount = 4;
// Output rates the engine's fixed-point rate constants are made for.
inline constexpr int32_t kMinSampleRate = 8000;
inline constexpr int32_t kMaxSampleRate = 192000;

// Device selection values. Values below 65536 choose the built-in null device,
// which consumes blocks on the clock without a sound card (-1, the "default
// device", is the null device too). 65536 + n chooses RtAudio output device n
// (n in bits 0-7, counted from 0 in the order RtAudio reports them); bits
// 17-20 hold the RtAudio host API (the RtAudio::Api number: 1 ALSA, 2 PulseAudio,
// 4 JACK; 0 lets RtAudio pick its default API), so that a stored choice comes
// back on the same host API.
inline constexpr int32_t kRtAudioDeviceBase = 65536;
inline constexpr int32_t kNullDeviceDefault = -1;
inline constexpr int kSelectionApiShift = 17;

constexpr bool IsRtAudioSelection(int32_t selection) {
  return selection >= kRtAudioDeviceBase;
}
constexpr int SelectionDeviceIndex(int32_t selection) {
  return selection & 0xFF;
}
constexpr int SelectionApi(int32_t selection) {
  return (selection >> kSelectionApiShift) & 0xF;
}
constexpr int32_t MakeRtAudioSelection(int api, int index) {
  return kRtAudioDeviceBase | (api << kSelectionApiShift) | (index & 0xFF);
}

// The host APIs of this platform, by their RtAudio::Api numbers.
inline constexpr int kApiAlsa = 1;
inline constexpr int kApiPulse = 2;
inline constexpr int kApiOss = 3;
inline constexpr int kApiJack = 4;

// Short display name of a host API, as the device list shows it.
inline std::string HostApiName(int api) {
  switch (api) {
    case kApiJack:
      return "JACK";
    case kApiPulse:
      return "Pulse";
    case kApiAlsa:
      return "ALSA";
    case kApiOss:
      return "OSS";
    default:
      return "API " + std::to_string(api);
  }
}

// The format of output soundfiles; its rate and channels are also the device's.
// The device itself always gets 16-bit samples.
struct WaveFormat {
  uint32_t rate = 22050;
  int channels = 2;
  int width = 2;  // bytes per sample: 2 (16-bit), 3 (24-bit) or 4 (32-bit float)

  int bits() const { return width * 8; }
  bool is_float() const { return width == 4; }
  int block_align() const { return width * channels; }
};

// The output configuration. The options dialog copies it whole and copies it
// back on Cancel; the settings store reads and writes its fields.
struct OutputConfig {
  int32_t selected_device = kRtAudioDeviceBase;
  int32_t rtaudio_device_count = 0;  // devices of the selected host API, at start-up
  int32_t null_device_count = 1;
  int32_t block_count = kBlockCount;  // always 4
  int32_t frames_per_block = 256;     // a power of two, 4 .. 16384
  int32_t bytes_per_float_block = 0;  // frames × channels × 4
  int32_t blocks_written = 0;         // blocks appended to the output soundfile
  int32_t sample_rate = 22050;
  int32_t stereo = 1;
  int32_t soft_stop = 1;   // "&Soft Stop Play"
  int32_t reset_loop = 1;  // "&Reset Loop On Play"
  int32_t one_file_per_stream = 0;
  int32_t file_counter = 0;  // 0 .. max_count
  int32_t numbered_files = 1;
  int32_t sample_width = 2;  // output soundfile bytes per sample: 2, 3 or 4
  int32_t max_count = 99;    // "Soundfile max count"; below 2 reads as 99
  int32_t render_threads = 1;  // threads that render each block together

  int channels() const { return stereo ? 2 : 1; }
  int samples_per_block() const { return frames_per_block * channels(); }
  WaveFormat output_format() const {
    return WaveFormat{static_cast<uint32_t>(sample_rate), channels(), sample_width};
  }
};

}  // namespace kornmill
