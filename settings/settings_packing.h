// How the settings record packs into the stored 32-bit words, and the checks applied on reading.
#pragma once

#include <array>
#include <cstdint>

#include "settings/stored_settings.h"

namespace kornmill {

// "Selected devices": bits 0-7 the output device (0xFF: the system's
// default, -1), bit 16 an RtAudio device, bits 17-20 its host API, bits 8-14
// the MIDI input device. A MIDI field of 127 is "None", and so is one with
// bit 15 set (an index that does not fit 7 bits).
inline constexpr uint32_t kDeviceLowByte = 0xFF;
inline constexpr uint32_t kDeviceKeptBits = 0x1F00FF;  // bits 0-7 and 16-20
inline constexpr int kMidiDeviceShift = 8;
inline constexpr int32_t kMidiDeviceNone = 127;

// "Sound options": bit 0 stereo, bit 1 soft stop, bit 2 reset loop on play,
// bit 3 set when output files are not numbered, bits 4-6 bytes per sample,
// bit 7 one file per stream (a bit of its own, so that no sample width turns it
// on), bits 8-14 the output file counter.
inline constexpr uint32_t kOptionStereo = 1u << 0;
inline constexpr uint32_t kOptionSoftStop = 1u << 1;
inline constexpr uint32_t kOptionResetLoop = 1u << 2;
inline constexpr uint32_t kOptionNotNumbered = 1u << 3;
inline constexpr int kOptionWidthShift = 4;
inline constexpr uint32_t kOptionOneFilePerStream = 1u << 7;
inline constexpr int kOptionCounterShift = 8;
inline constexpr uint32_t kCounterMask = 0x7F;
// Stereo, soft stop, reset loop, numbered files, 16-bit files.
inline constexpr uint32_t kDefaultSoundOptions = 39;

// "Sound buffers": frames per block in bits 8-22, the block count (4) in bits 0-7.
inline constexpr int kBlockFramesShift = 8;
inline constexpr uint32_t kBlockFramesMask = 0x7FFF;
inline constexpr uint32_t kStoredBlockCount = 4;
inline constexpr uint32_t kDefaultSoundBuffers = (256u << kBlockFramesShift) + kStoredBlockCount;

// Ranges accepted on reading; anything else takes the default.
inline constexpr int32_t kLowestSampleRate = 8000;
inline constexpr int32_t kHighestSampleRate = 96000;
inline constexpr int32_t kSmallestBlock = 4;
inline constexpr int32_t kLargestBlock = 16384;
inline constexpr int32_t kSmallestMaxCount = 2;
inline constexpr int32_t kLargestMaxCount = 127;  // the counter has 7 bits

uint32_t PackSelectedDevices(int32_t output_device, int32_t midi_device);
// With `version_present` false the output device is the default whatever is stored.
void UnpackSelectedDevices(uint32_t word, bool version_present, StoredSettings& s);

uint32_t PackSoundBuffers(int32_t frames_per_block);
int32_t UnpackSoundBuffers(uint32_t word);

uint32_t PackSoundOptions(const StoredSettings& s);
void UnpackSoundOptions(uint32_t word, StoredSettings& s);

uint32_t PackMidiMonitor(const StoredSettings& s);
void UnpackMidiMonitor(uint32_t word, StoredSettings& s);

int32_t CheckedSampleRate(uint32_t stored);
int32_t CheckedMaxCount(uint32_t stored);
// "Render threads": 1 to kMaxRenderThreadsSetting; anything else reads as 1.
int32_t CheckedRenderThreads(uint32_t stored);

// Rows 1-6 with every row that the response code cannot use dropped (a
// parameter index of 0 or above 12, a source index of 0 or above 6, From or
// To above 100) and the rest packed to the front; row 0 as it is.
std::array<uint32_t, kStoredResponseRows> CleanResponseRows(
    const std::array<uint32_t, kStoredResponseRows>& rows);

}  // namespace kornmill
