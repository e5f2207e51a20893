// Packing and unpacking of the stored settings words, with the range checks of reading.
#include "settings/settings_packing.h"

namespace kornmill {

namespace {

constexpr uint32_t kMidiFieldMask = 0xFF;  // bits 8-15: bit 15 marks an index too big
constexpr int kWidthMask = 7;
constexpr int kFirstWidth = 2;
constexpr int kLastWidth = 4;

// Expression rows: To in bits 0-6, From in 8-14, parameter in 16-19, source in 28-31.
constexpr uint32_t kPercentMask = 0x7F;
constexpr int kFromShift = 8;
constexpr int kParameterShift = 16;
constexpr uint32_t kParameterMask = 0xF;
constexpr int kSourceShift = 28;
constexpr uint32_t kLastParameter = 12;
constexpr uint32_t kLastSource = 6;
constexpr uint32_t kFullPercent = 100;

bool UsableRow(uint32_t row) {
  const uint32_t parameter = (row >> kParameterShift) & kParameterMask;
  const uint32_t source = row >> kSourceShift;
  const uint32_t from = (row >> kFromShift) & kPercentMask;
  const uint32_t to = row & kPercentMask;
  return parameter >= 1 && parameter <= kLastParameter && source >= 1 && source <= kLastSource &&
         from <= kFullPercent && to <= kFullPercent;
}

}  // namespace

uint32_t PackSelectedDevices(int32_t output_device, int32_t midi_device) {
  const uint32_t output =
      output_device == -1 ? kDeviceLowByte : static_cast<uint32_t>(output_device) & kDeviceKeptBits;
  const uint32_t midi = midi_device < 0 || midi_device >= kMidiDeviceNone
                            ? static_cast<uint32_t>(kMidiDeviceNone)
                            : static_cast<uint32_t>(midi_device);
  return output | (midi << kMidiDeviceShift);
}

void UnpackSelectedDevices(uint32_t word, bool version_present, StoredSettings& s) {
  if (!version_present) {
    s.output_device = kDefaultOutputDevice;
  } else if ((word & kDeviceLowByte) == kDeviceLowByte) {
    s.output_device = -1;
  } else {
    s.output_device = static_cast<int32_t>(word & kDeviceKeptBits);
  }
  const int32_t midi = static_cast<int32_t>((word >> kMidiDeviceShift) & kMidiFieldMask);
  s.midi_device = midi >= kMidiDeviceNone ? -1 : midi;
}

uint32_t PackSoundBuffers(int32_t frames_per_block) {
  return (static_cast<uint32_t>(frames_per_block) << kBlockFramesShift) + kStoredBlockCount;
}

int32_t UnpackSoundBuffers(uint32_t word) {
  const int32_t frames = static_cast<int32_t>((word >> kBlockFramesShift) & kBlockFramesMask);
  const bool power_of_two = (frames & (frames - 1)) == 0;
  if (frames < kSmallestBlock || frames > kLargestBlock || !power_of_two) {
    return kDefaultFramesPerBlock;
  }
  return frames;
}

uint32_t PackSoundOptions(const StoredSettings& s) {
  uint32_t word = 0;
  if (s.stereo) word |= kOptionStereo;
  if (s.soft_stop) word |= kOptionSoftStop;
  if (s.reset_loop) word |= kOptionResetLoop;
  if (!s.numbered_files) word |= kOptionNotNumbered;
  word |= static_cast<uint32_t>(s.sample_width & kWidthMask) << kOptionWidthShift;
  if (s.one_file_per_stream) word |= kOptionOneFilePerStream;
  word |= (static_cast<uint32_t>(s.file_counter) & kCounterMask) << kOptionCounterShift;
  return word;
}

void UnpackSoundOptions(uint32_t word, StoredSettings& s) {
  s.stereo = word & kOptionStereo;
  s.soft_stop = word & kOptionSoftStop;
  s.reset_loop = word & kOptionResetLoop;
  s.numbered_files = !(word & kOptionNotNumbered);
  const int width = static_cast<int>(word >> kOptionWidthShift) & kWidthMask;
  s.sample_width = width >= kFirstWidth && width <= kLastWidth ? width : kFirstWidth;
  s.one_file_per_stream = word & kOptionOneFilePerStream;
  s.file_counter = static_cast<int32_t>((word >> kOptionCounterShift) & kCounterMask);
}

uint32_t PackMidiMonitor(const StoredSettings& s) {
  return (s.midi_move_sliders ? 1u : 0u) + (s.midi_monitor_input ? 2u : 0u) +
         (s.midi_relative_fine ? 4u : 0u);
}

void UnpackMidiMonitor(uint32_t word, StoredSettings& s) {
  s.midi_move_sliders = word & 1u;
  s.midi_monitor_input = word & 2u;
  s.midi_relative_fine = word & 4u;
}

int32_t CheckedSampleRate(uint32_t stored) {
  if (stored < kLowestSampleRate || stored > kHighestSampleRate) return kDefaultSampleRate;
  return static_cast<int32_t>(stored);
}

int32_t CheckedMaxCount(uint32_t stored) {
  if (stored < kSmallestMaxCount || stored > kLargestMaxCount) return kDefaultMaxCount;
  return static_cast<int32_t>(stored);
}

int32_t CheckedRenderThreads(uint32_t stored) {
  if (stored < 1 || stored > static_cast<uint32_t>(kMaxRenderThreadsSetting)) {
    return kDefaultRenderThreads;
  }
  return static_cast<int32_t>(stored);
}

std::array<uint32_t, kStoredResponseRows> CleanResponseRows(
    const std::array<uint32_t, kStoredResponseRows>& rows) {
  std::array<uint32_t, kStoredResponseRows> clean{};
  clean[0] = rows[0];
  int next = 1;
  for (int i = 1; i < kStoredResponseRows; ++i) {
    if (rows[i] != 0 && UsableRow(rows[i])) clean[next++] = rows[i];
  }
  return clean;
}

}  // namespace kornmill
