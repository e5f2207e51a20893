// The texts the audio output shows: status lines, warnings and message-box titles.
#pragma once

namespace kornmill {

inline constexpr const char* kTextPlay = "&Play";
inline constexpr const char* kTextStop = "Sto&p";
inline constexpr const char* kTextUnderruns = "%d buffer underruns in performance (%d.%d %%)";
inline constexpr const char* kTextWriteError =
    "ERROR: Could not write to output soundfile. Closed file.";
inline constexpr const char* kTextWavSizeLimit =
    "WAV files end at 4 GiB: recording stopped; the file is complete";
inline constexpr const char* kTextSoundfilePath = "Soundfile path: %s";
inline constexpr const char* kTextNoRtAudioDevice =
    "Could not find DirectSound device, using waveOut";
inline constexpr const char* kTextDeviceGone =
    "Could not find previously selected device, so set default device";
inline constexpr const char* kTextAllocFailed = "Could not allocate output buffer memory";
inline constexpr const char* kTextNotWritable = "Soundfile not writable";
inline constexpr const char* kTitleFatal = "Fatal error";
inline constexpr const char* kTitleRtAudio = "RtAudio Error";
inline constexpr const char* kTitleNullDevice = "Null Output Error";
inline constexpr const char* kTextDeviceLost = "Audio device lost, play stopped: %s";
inline constexpr const char* kTextBadBlockSize =
    "The device asks for blocks of %u frames; Kornmill renders blocks of 8 to 16384 frames "
    "in steps of 8.";

// Output soundfile names.
inline constexpr const char* kOutputFileName = "sifter.wav";
inline constexpr const char* kNumberedFileName = "sifter%02d.wav";

}  // namespace kornmill
