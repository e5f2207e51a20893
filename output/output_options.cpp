// The options dialog's output half: block-size mapping, buffer label, Test Play, OK and Cancel.
#include "output/output_options.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "engine/engine.h"
#include "output/audio_output.h"

namespace kornmill {

namespace {
// How long a device closed by Test Play rests before it is opened again.
constexpr auto kDeviceSettleTime = std::chrono::milliseconds(200);
}  // namespace

int BlockPositionForFrames(int32_t frames) {
  int position = 0;
  for (int32_t f = frames; f > 0; f >>= 1) ++position;
  if (position < kMinBlockPosition) return kMinBlockPosition;
  if (position > kMaxBlockPosition) return kMaxBlockPosition;
  return position;
}

int BufferMilliseconds(int32_t frames_per_block, int32_t rate) {
  if (rate <= 0) return 0;
  const double total = double(kBlockCount) * frames_per_block;
  return static_cast<int>(static_cast<float>(total * 1000.0 / rate + 0.5));
}

std::string BufferLabel(int32_t frames_per_block, int32_t rate) {
  char text[64];
  std::snprintf(text, sizeof text, "%d frames, %d ms", kBlockCount * frames_per_block,
                BufferMilliseconds(frames_per_block, rate));
  return text;
}

OutputOptions::OutputOptions(AudioOutput& output) : output_(output), snapshot_(output.config()) {}

const OutputConfig& OutputOptions::config() const {
  return output_.config();
}

bool OutputOptions::playing() const {
  return output_.playing();
}

void OutputOptions::SelectDevice(int32_t selection) {
  output_.config().selected_device = selection;
}

void OutputOptions::SelectRate(int32_t rate) {
  if (rate >= kMinSampleRate && rate <= kMaxSampleRate) output_.config().sample_rate = rate;
}

void OutputOptions::SetStereo(bool on) {
  output_.config().stereo = on ? 1 : 0;
}

void OutputOptions::SetBlockPosition(int position) {
  if (position < kMinBlockPosition || position > kMaxBlockPosition) return;
  output_.config().frames_per_block = FramesForBlockPosition(position);
}

void OutputOptions::SetRenderThreads(int threads) {
  output_.config().render_threads = std::clamp(threads, 1, Engine::kMaxRenderThreads);
}

std::string OutputOptions::BufferLabel() const {
  return kornmill::BufferLabel(config().frames_per_block, config().sample_rate);
}

bool OutputOptions::TestPlayStart() {
  if (output_.playing()) return false;
  WaitForDeviceToSettle();
  saved_recording_ = output_.recording();
  output_.set_recording(false);
  test_played_ = true;
  output_.AllocateOutputBuffers();
  if (!output_.StartPlay(kPlayFromTestPlay)) {
    output_.set_recording(saved_recording_);
    return false;
  }
  test_playing_ = true;
  return true;
}

void OutputOptions::TestPlayStop() {
  const bool was_playing = output_.playing();
  output_.StopAndShowStopped();
  if (test_playing_) output_.set_recording(saved_recording_);
  test_playing_ = false;
  if (was_playing) stopped_at_ = std::chrono::steady_clock::now();
}

void OutputOptions::WaitForDeviceToSettle() const {
  if (stopped_at_ == std::chrono::steady_clock::time_point{}) return;
  std::this_thread::sleep_until(stopped_at_ + kDeviceSettleTime);
}

bool OutputOptions::FormatChanged() const {
  const OutputConfig& c = config();
  return c.selected_device != snapshot_.selected_device ||
         c.sample_rate != snapshot_.sample_rate || c.stereo != snapshot_.stereo ||
         c.frames_per_block != snapshot_.frames_per_block;
}

void OutputOptions::Apply() {
  if (test_playing_) TestPlayStop();
  if (FormatChanged() || test_played_) output_.Reconfigure();
}

void OutputOptions::Restore() {
  if (test_playing_) TestPlayStop();
  const bool rebuild = FormatChanged() || test_played_;
  output_.config() = snapshot_;
  if (rebuild) output_.Reconfigure();
}

}  // namespace kornmill
