// The audio output's set-up: construction, start-up, the ring allocation, folders and recording
// hooks.
#include "output/audio_output.h"

#include <cstdio>
#include <new>

#include "controls/stream.h"
#include "engine/engine.h"
#include "engine/sound_layout.h"
#include "output/block_ring.h"
#include "output/file_numbers.h"
#include "output/output_folders.h"
#include "output/output_recorder.h"
#include "output/output_texts.h"
#include "output/null_device.h"

namespace kornmill {

OutputBufferError::OutputBufferError() : std::runtime_error(kTextAllocFailed) {}

AudioOutput::AudioOutput(Engine& engine, StreamTable& streams, OutputView& view,
                         MainThreadWaker& waker)
    : engine_(engine),
      streams_(streams),
      view_(view),
      waker_(waker),
      ring_(std::make_unique<BlockRing>()),
      recorder_(std::make_unique<OutputRecorder>(config_, view)) {}

AudioOutput::~AudioOutput() {
  // Quietly: the window may be gone already.
  if (device_) device_->Close();
  device_.reset();
  recorder_->CloseOutputFile();
}

void AudioOutput::set_device_provider(std::unique_ptr<DeviceProvider> provider) {
  provider_ = std::move(provider);
}

void AudioOutput::set_writer_factory(WriterFactory factory) {
  recorder_->set_writer_factory(std::move(factory));
}

void AudioOutput::set_key_state(std::function<bool()> q_key_down) {
  q_key_down_ = std::move(q_key_down);
}

void AudioOutput::set_block_observer(BlockObserver* observer) {
  observer_ = observer;
}

void AudioOutput::InitAudioOutput(std::string_view stored_out_folder,
                                  std::string_view stored_in_folder) {
  if (!provider_) provider_ = MakeNullDevices();
  if (!recorder_->has_writer_factory()) recorder_->set_writer_factory(DefaultWriterFactory());
  CheckSelection();
  if (config_.sample_width < 2 || config_.sample_width > 4) config_.sample_width = 2;
  if (config_.max_count < 2) config_.max_count = 99;
  AllocateOutputBuffers();
  SoundFolders folders = ResolveSoundFolders(stored_out_folder, stored_in_folder);
  output_folder_ = folders.output;
  source_folder_ = folders.source;
}

void AudioOutput::CheckSelection() {
  int32_t& sel = config_.selected_device;
  if (!IsRtAudioSelection(sel)) {
    // The null device is the only one of its family; -1 (the default) is it too.
    sel = 0;
    config_.rtaudio_device_count = provider_->RtAudioDeviceCount(kRtAudioDeviceBase);
    return;
  }
  config_.rtaudio_device_count = provider_->RtAudioDeviceCount(sel);
  if (SelectionDeviceIndex(sel) < config_.rtaudio_device_count) return;
  const int32_t stored = sel;
  const int api = SelectionApi(sel);
  if (config_.rtaudio_device_count > 0) {
    sel = MakeRtAudioSelection(api, 0);
  } else if (api != 0 && provider_->RtAudioDeviceCount(kRtAudioDeviceBase) > 0) {
    sel = kRtAudioDeviceBase;
    config_.rtaudio_device_count = provider_->RtAudioDeviceCount(sel);
  } else {
    sel = 0;
  }
  // The default selection (the first device of any host API) names no device:
  // a machine without sound just plays on the null device, and says so at Play.
  if (stored == kRtAudioDeviceBase) return;
  char text[512];
  std::snprintf(text, sizeof text, kTextStoredDeviceGone, DeviceLabel(stored).c_str(),
                DeviceLabel(sel).c_str());
  view_.ShowWarning(text);
}

std::string AudioOutput::DeviceLabel(int32_t selection) {
  if (!IsRtAudioSelection(selection)) return std::string("(Null) ") + kNullDeviceName;
  for (const DeviceEntry& e : provider_->ListDevices()) {
    if (e.selection == selection) return e.label;
  }
  const int api = SelectionApi(selection);
  const std::string name = api ? HostApiName(api) : "first available";
  return "(" + name + ") device " + std::to_string(SelectionDeviceIndex(selection));
}

void AudioOutput::AllocateOutputBuffers() {
  const uint32_t rate = static_cast<uint32_t>(config_.sample_rate);
  const bool new_rate = rate != engine_.output_rate();
  {
    std::lock_guard<std::mutex> render(render_lock_);
    std::lock_guard<std::mutex> callback(callback_lock_);
    const int n = config_.samples_per_block();
    try {
      ring_->Allocate(n);
      recorder_->AllocateCopyArea(n);
      for (int i = 0; i < streams_.count(); ++i) streams_[i].block.assign(n, 0.0f);
    } catch (const std::bad_alloc&) {
      view_.ShowError(kTitleFatal, kTextAllocFailed);
      throw OutputBufferError();
    }
    config_.bytes_per_float_block = 4 * n;
    // The engine's format also gives the built-in sine its rate constants.
    engine_.SetOutputFormat(rate, config_.stereo != 0, config_.frames_per_block);
    engine_.set_render_threads(config_.render_threads);
    for (int i = 0; i < streams_.count(); ++i) {
      Sound* sound = streams_[i].sound;
      if (sound && !sound->builtin) SetRateConstants(*sound, rate);
    }
  }
  if (new_rate) view_.OutputRateChanged(rate);
  FitRecording();
}

void AudioOutput::Reconfigure() {
  StopAndShowStopped();
  AllocateOutputBuffers();
}

void AudioOutput::StopAndShowStopped() {
  if (!playing_) return;
  StopPlay();
  SetPlayButtons(kTextPlay, false);
}

void AudioOutput::ToggleStereo() {
  config_.stereo = config_.stereo ? 0 : 1;
  Reconfigure();
}

void AudioOutput::FitRecording() {
  const std::string path = recorder_->file_path();
  if (recorder_->FitToFormat() != OutputRecorder::Fit::kClosed) return;
  view_.SetRecordButtons(false);
  char text[1024];
  std::snprintf(text, sizeof text, kTextRecordingEnded, config_.sample_rate,
                config_.stereo ? "stereo" : "mono", path.c_str());
  view_.ShowWarning(text);
}

std::vector<DeviceEntry> AudioOutput::ListDevices() {
  if (!provider_) provider_ = MakeNullDevices();
  return provider_->ListDevices();
}

void AudioOutput::set_output_folder(std::string_view folder) {
  output_folder_ = WithoutTrailingSlash(folder);
  char text[1024];
  std::snprintf(text, sizeof text, kTextSoundfilePath, output_folder_.c_str());
  view_.ShowStatus(text);
}

bool AudioOutput::recording() const {
  return recorder_->recording();
}
void AudioOutput::set_recording(bool on) {
  recorder_->set_recording(on);
}
int AudioOutput::queued() const {
  return ring_->queued();
}
int AudioOutput::fill_index() const {
  return ring_->fill_index();
}
const float* AudioOutput::float_block(int i) const {
  return ring_->float_block(i);
}
const int16_t* AudioOutput::int16_block(int i) const {
  return ring_->int16_block(i);
}

void AudioOutput::ToggleRecord() {
  recorder_->Toggle(output_folder_, streams_);
}

bool AudioOutput::RecordNextPlay(const std::string& path) {
  record_armed_ = recorder_->Open(path);
  return record_armed_;
}

int AudioOutput::MakeOutputFileName(std::string& path) {
  return recorder_->MakeOutputFileName(output_folder_, path);
}

void AudioOutput::WriteRecordedBlock(const float* block) {
  recorder_->WriteBlock(block, streams_);
}

void AudioOutput::CloseOutputFile() {
  recorder_->CloseOutputFile();
}

void AudioOutput::ContinueAfterExistingFiles() {
  const int highest = HighestOutputFileNumber(output_folder_, config_.max_count);
  if (highest > config_.file_counter) config_.file_counter = highest;
}

const std::string& AudioOutput::recording_path() const {
  return recorder_->file_path();
}

double AudioOutput::recorded_seconds() const {
  return recorder_->recorded_seconds();
}

void AudioOutput::SetSampleWidth(int bytes) {
  if (bytes >= 2 && bytes <= 4) config_.sample_width = bytes;
}

}  // namespace kornmill
