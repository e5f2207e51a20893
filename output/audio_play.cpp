// Play, Stop and Soft Stop, the block fill on the main thread and the block hand-over on the device
// thread.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controls/stream.h"
#include "engine/engine.h"
#include "output/audio_output.h"
#include "output/block_ring.h"
#include "output/output_recorder.h"
#include "output/output_texts.h"
#include "resources/ids.h"

namespace kornmill {

void AudioOutput::TogglePlay(int source) {
  if (playing_ && !stopping_) {
    SoftStop();
  } else {
    if (stopping_) device_open_ = true;  // resume on the open device
    StartPlay(source);
  }
  // The buttons show the state reached, whatever stopped on the way (a stop
  // from the first blocks' events leaves play off or draining).
  const bool on = playing_ && !stopping_;
  SetPlayButtons(on ? kTextStop : kTextPlay, on);
}

void AudioOutput::SetPlayButtons(std::string_view text, bool checked) {
  view_.SetPlayButton(kIdPlayButton, text, checked);
  if (view_.GestureWindowOpen()) view_.SetPlayButton(kIdGesturePlay, text, checked);
}

bool AudioOutput::OpenDevice() {
  if (device_) device_->Close();
  device_.reset();
  if (!provider_) provider_ = MakeNullDevices();
  const bool rtaudio = IsRtAudioSelection(config_.selected_device);
  const char* title = rtaudio ? kTitleRtAudio : kTitleNullDevice;
  // The options dialog changes the configuration live; a play it did not
  // start (a MIDI note) must not meet a ring built for another format.
  if (engine_.output_rate() != static_cast<uint32_t>(config_.sample_rate) ||
      engine_.block_frames() != config_.frames_per_block ||
      engine_.channels() != config_.channels()) {
    AllocateOutputBuffers();
  }
  device_ = provider_->MakeDevice(config_.selected_device);
  ring_->Reset();
  StreamRequest request;
  request.rate = static_cast<uint32_t>(config_.sample_rate);
  request.channels = config_.channels();
  device_channels_ = request.channels;
  request.frames = static_cast<unsigned>(config_.frames_per_block);
  request.buffers = kBlockCount;
  std::string error;
  if (!device_->Open(request, *this, error)) {
    device_.reset();
    view_.ShowError(title, error);
    return false;
  }
  return FollowDevice(request, title);
}

bool AudioOutput::FollowDevice(const StreamRequest& request, const char* title) {
  const bool new_frames = request.frames != static_cast<unsigned>(config_.frames_per_block);
  const bool new_rate = request.rate != static_cast<uint32_t>(config_.sample_rate);
  if (!new_frames && !new_rate) return true;
  char text[256];
  text[0] = '\0';
  if (new_frames &&
      (request.frames < 8 || request.frames > 16384 || request.frames % 8 != 0)) {
    std::snprintf(text, sizeof text, kTextBadBlockSize, request.frames);
  } else if (new_rate && (request.rate < static_cast<uint32_t>(kMinSampleRate) ||
                          request.rate > static_cast<uint32_t>(kMaxSampleRate))) {
    std::snprintf(text, sizeof text, kTextBadRate, request.rate);
  }
  if (text[0]) {
    device_->Close();
    device_.reset();
    view_.ShowError(title, text);
    return false;
  }
  // The ring, the output format and the rate constants follow the device, as
  // if the options dialog had chosen its block size and rate.
  config_.frames_per_block = static_cast<int32_t>(request.frames);
  config_.sample_rate = static_cast<int32_t>(request.rate);
  AllocateOutputBuffers();
  if (new_rate) {
    std::snprintf(text, sizeof text, kTextServerRate, config_.sample_rate);
    view_.ShowStatus(text);
  }
  return true;
}

bool AudioOutput::StartPlay(int source) {
  const bool resume = device_open_ && device_;
  if (!resume && !OpenDevice()) {
    device_open_ = false;
    return false;
  }
  if (source != kPlayFromMidi && !recorder_->recording()) {
    std::lock_guard<std::mutex> lock(render_lock_);
    if (streams_.count() > 0) {
      engine_.PrepareForPlay(streams_, config_.reset_loop != 0);
    } else {
      engine_.reset_frame_clock();
    }
  }
  if (record_armed_) {
    recorder_->set_recording(true);
    record_armed_ = false;
  }
  playing_ = true;
  gesture_active_ = view_.GestureWindowOpen();
  device_open_ = false;
  stopping_ = false;
  engine_.set_stopping(false);
  for (int i = 0; i < kBlockCount; ++i) FillBlock();
  // An event before the first blocks (a score's stop at time 0) may have
  // stopped play already, closing the device.
  if (!playing_) return false;
  if (resume) return true;
  std::string error;
  if (!device_->Start(error)) {
    playing_ = false;
    gesture_active_ = false;
    device_->Close();
    device_.reset();
    view_.ShowError(IsRtAudioSelection(config_.selected_device) ? kTitleRtAudio : kTitleNullDevice,
                    error);
    return false;
  }
  if (!IsRtAudioSelection(config_.selected_device) && config_.rtaudio_device_count == 0 &&
      !silence_noticed_) {
    silence_noticed_ = true;
    view_.ShowStatus(kTextPlaysSilently);
  }
  return true;
}

void AudioOutput::SoftStop() {
  if (stopping_ || !playing_) return;
  stopping_ = true;
  if (!config_.soft_stop || blocks_played() == 0) {
    StopPlay();
    return;
  }
  // Nothing sounds longer than half a second from now; no grain starts.
  engine_.SoftStopGrains(config_.sample_rate / 2);
}

void AudioOutput::StopPlay() {
  if (!playing_) return;
  playing_ = false;
  gesture_active_ = false;
  stopping_ = false;
  device_open_ = false;
  engine_.set_stopping(false);
  if (device_) device_->Close();
  device_.reset();
  ring_->Reset();
  ReportUnderruns();
}

void AudioOutput::FillBlock() {
  if (!playing_) return;
  std::lock_guard<std::mutex> lock(render_lock_);
  const int i = ring_->FreeBlock();
  if (i < 0) return;
  if (observer_) observer_->BeforeBlock();
  if (!playing_) return;  // the observer stopped play
  float* out = ring_->float_block(i);
  std::fill(out, out + ring_->samples(), 0.0f);
  engine_.RenderNextBlock(out, streams_);
  if (listener_) listener_->BlockRendered(out, engine_.block_frames(), engine_.stereo() ? 2 : 1);
  ring_->CommitFill();
  if (recorder_->recording()) recorder_->WriteBlock(out, streams_);
  waker_.PostBlockDone(i);
}

void AudioOutput::OnBlockDone(int) {
  CheckDeviceLost();
  if (q_key_down_ && q_key_down_()) {
    // Every Play button shows the stop, not only the one that started play.
    StopPlay();
    SetPlayButtons(kTextPlay, false);
  }
  if (!playing_) return;
  if (!stopping_ || engine_.active_grains() > 0) {
    if (ring_->queued() < kBlockCount) FillBlock();
  } else if (ring_->queued() == 0) {
    StopPlay();
  }
}

void AudioOutput::CheckDeviceLost() {
  if (!playing_ || !device_ || !device_->lost()) return;
  char text[512];
  std::snprintf(text, sizeof text, kTextDeviceLost, device_->lost_reason().c_str());
  StopPlay();
  SetPlayButtons(kTextPlay, false);
  view_.ShowError(kTitleRtAudio, text);
}

void AudioOutput::SendBlock(int16_t* buffer, unsigned frames) {
  blocks_played_.fetch_add(1, std::memory_order_relaxed);
  const int n = static_cast<int>(frames) * device_channels_;
  const int r = ring_->OldestBlock();
  if (r < 0) {
    underruns_.fetch_add(1, std::memory_order_relaxed);
    std::memset(buffer, 0, sizeof(int16_t) * static_cast<size_t>(n));
    waker_.PostBlockDone(ring_->play_index());
    return;
  }
  {
    std::lock_guard<std::mutex> lock(callback_lock_);
    const int m = std::min(n, ring_->samples());
    int16_t* block16 = ring_->int16_block(r);
    ConvertTo16Bit(ring_->float_block(r), block16, m);
    std::memcpy(buffer, block16, sizeof(int16_t) * static_cast<size_t>(m));
    if (m < n) std::memset(buffer + m, 0, sizeof(int16_t) * static_cast<size_t>(n - m));
    ring_->ReleaseOldest();
  }
  waker_.PostBlockDone(r);
}

void AudioOutput::DeviceLost() {
  waker_.PostBlockDone(-1);
}

void AudioOutput::ReportUnderruns() {
  const int32_t u = underruns_.load(std::memory_order_relaxed);
  const int32_t b = blocks_played_.load(std::memory_order_relaxed);
  if (u > 2 && b > 0) {
    const int p = static_cast<int>(int64_t(u) * 1000 / b);
    char text[128];
    std::snprintf(text, sizeof text, kTextUnderruns, u, p / 10, p % 10);
    view_.ShowStatus(text);
  }
  underruns_.store(0, std::memory_order_relaxed);
  blocks_played_.store(0, std::memory_order_relaxed);
}

}  // namespace kornmill
