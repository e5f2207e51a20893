// The sound-card options behind the "Sound output" page: live changes, Test Play, OK and Cancel.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "output/output_config.h"

namespace kornmill {

class AudioOutput;

// The rates the options dialog offers, highest first.
inline constexpr std::array<int32_t, 9> kOfferedRates = {96000, 88200, 48000, 44100, 32000,
                                                         22050, 16000, 11025, 8000};
// Block-size slider: frames per block = 2^(position - 1), 4 .. 16384 frames.
inline constexpr int kMinBlockPosition = 3;
inline constexpr int kMaxBlockPosition = 15;

constexpr int32_t FramesForBlockPosition(int position) {
  return int32_t{1} << (position - 1);
}
// floor(log2(frames)) + 1, kept on the slider.
int BlockPositionForFrames(int32_t frames);
// The latency of the four queued blocks in milliseconds: the total frames ×
// 1000 / rate + 0.5, truncated after a trip through a 32-bit float.
int BufferMilliseconds(int32_t frames_per_block, int32_t rate);
// The buffer label: "%d frames, %d ms" with the four blocks' total.
std::string BufferLabel(int32_t frames_per_block, int32_t rate);

// One opening of the options dialog. It works on the output's configuration
// directly, so Test Play hears every change at once; OK keeps the changes and
// Cancel puts back the configuration taken at opening. Either rebuilds what
// was made from the configuration (the output format, every sound's rate
// constants, the ring), stopping playing first, whenever the configuration
// differs from the one the output was built with or a Test Play ran. Main
// thread only.
class OutputOptions {
 public:
  explicit OutputOptions(AudioOutput& output);

  const OutputConfig& config() const;
  const OutputConfig& snapshot() const { return snapshot_; }

  void SelectDevice(int32_t selection);
  void SelectRate(int32_t rate);
  void SetStereo(bool on);
  void SetBlockPosition(int position);
  // Threads that render each block together, from the next start of play.
  void SetRenderThreads(int threads);
  std::string BufferLabel() const;

  // Starts a Test Play when nothing plays: without recording (the flag comes
  // back at the stop), on a freshly built ring. False when it did not start.
  bool TestPlayStart();
  // Stops the Test Play (or whatever plays) and restores the recording flag.
  void TestPlayStop();
  bool test_playing() const { return test_playing_; }
  // Whether anything plays (a MIDI note can start play while the dialog is open).
  bool playing() const;

  // OK's output part.
  void Apply();
  // Cancel's output part.
  void Restore();

 private:
  bool FormatChanged() const;
  // A device closed by the dialog gets a moment before it is opened again.
  void WaitForDeviceToSettle() const;

  AudioOutput& output_;
  OutputConfig snapshot_;
  bool saved_recording_ = false;
  bool test_playing_ = false;
  bool test_played_ = false;
  std::chrono::steady_clock::time_point stopped_at_{};
};

}  // namespace kornmill
