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
// The stored device and the device used instead, as the options dialog lists them.
inline constexpr const char* kTextStoredDeviceGone =
    "Could not find the stored sound device \"%s\", using \"%s\"";
// Once per run, at the first Play, when the null device is all there is.
inline constexpr const char* kTextPlaysSilently =
    "No sound device was found: Kornmill plays silently through the null output";
// A device that runs at one rate only (a JACK server) was given another.
inline constexpr const char* kTextServerRate = "Playing at %d Hz (the sound server's rate)";
inline constexpr const char* kTextBadRate =
    "The device plays at %u Hz only; Kornmill plays at 8000 to 192000 Hz.";
// A file being written cannot take another format; it is closed, complete.
inline constexpr const char* kTextRecordingEnded =
    "The output format changed to %d Hz, %s while %s was being written. The file is complete "
    "up to the change and recording has stopped; press >>> File to record on in a new file.";
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
