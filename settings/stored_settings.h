// The program's stored settings as one plain record, with their defaults.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kornmill {

// Defaults on reading (and before anything has been read).
inline constexpr int32_t kDefaultOutputDevice = 0x10000;  // the first RtAudio device
inline constexpr int32_t kDefaultSampleRate = 22050;
inline constexpr int32_t kDefaultFramesPerBlock = 256;
inline constexpr int32_t kDefaultMaxCount = 99;
// Threads that render each block together: 1 (the program's own thread alone)
// up to the engine's limit.
inline constexpr int32_t kDefaultRenderThreads = 1;
inline constexpr int32_t kMaxRenderThreadsSetting = 64;
inline constexpr uint32_t kStoredNoteResponse = 0x72D;
inline constexpr int kStoredResponseRows = 7;

// The input settings ("soundin." values): read and written, used by nothing.
struct SoundInputSettings {
  int32_t selected_device = 0;
  int32_t frame_rate = 44100;
  int32_t channels = 2;
  int32_t frame_count = 1024;
  int32_t app_buffer = 300;
  bool operator==(const SoundInputSettings&) const = default;
};

// Everything the settings store keeps for a user. The application copies it
// to and from the output configuration and the MIDI configuration.
struct StoredSettings {
  // Output device: -1 the system's default, below 65536 the null device,
  // 65536 + n RtAudio device n (bits 17-20: its host API).
  int32_t output_device = kDefaultOutputDevice;
  int32_t midi_device = 0;  // MIDI input device index; -1 for "None"
  int32_t sample_rate = kDefaultSampleRate;
  int32_t frames_per_block = kDefaultFramesPerBlock;
  // "Sound options".
  bool stereo = true;
  bool soft_stop = true;
  bool reset_loop = true;
  bool numbered_files = true;
  int32_t sample_width = 2;  // output soundfile bytes per sample: 2, 3 or 4
  bool one_file_per_stream = false;
  int32_t file_counter = 0;
  int32_t max_count = kDefaultMaxCount;  // "Soundfile max count"
  int32_t render_threads = kDefaultRenderThreads;  // "Render threads"
  // MIDI input.
  int32_t midi_channel = 0;  // 1..16, or 0 for the channel of each stream
  bool midi_move_sliders = true;
  bool midi_monitor_input = true;
  bool midi_relative_fine = false;  // relative fine-controller mode
  // "MIDI response (0)".."(6)": row 0 the note response, rows 1-6 the
  // expression rows (valid rows only, packed to the front).
  std::array<uint32_t, kStoredResponseRows> midi_response = {kStoredNoteResponse};
  // Folders; empty means the program's own choice.
  std::string soundfile_in_folder;
  std::string soundfile_out_folder;
  SoundInputSettings sound_input;

  bool operator==(const StoredSettings&) const = default;
};

}  // namespace kornmill
