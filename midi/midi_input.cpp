// Start-up of the MIDI input, (re)opening the chosen device and decoding the queue.
#include "midi/midi_input.h"

#include <cstdio>

namespace kornmill {

namespace {
constexpr int kFallbackChannel = 1;
}  // namespace

MidiInput::MidiInput(StreamTable& streams, Engine& engine, MidiHost& host, MidiInputView& view)
    : decoder_(config_, streams, engine, host), view_(view) {}

MidiInput::~MidiInput() {
  CloseMidiInput();
}

void MidiInput::set_port_provider(std::unique_ptr<MidiPortProvider> ports) {
  ports_ = std::move(ports);
}

const std::vector<MidiPortEntry>& MidiInput::RefreshDevices() {
  std::vector<std::string> errors;
  devices_ = ports_ ? ports_->ListPorts(errors) : std::vector<MidiPortEntry>{};
  for (const std::string& e : errors) view_.ShowMidiError(kTitleMidiDeviceError, e);
  return devices_;
}

bool MidiInput::InitMidiInput() {
  // The stored choices are checked whether or not a device is there, so that
  // the response dialog shows (and saves back) what was stored.
  DropUnusableRows(config_.response);
  DecodeNoteResponse(config_);
  if (config_.channel < kChannelByStream || config_.channel > kMaxChannel) {
    config_.channel = kFallbackChannel;
  }
  decoder_.Reset();
  RefreshDevices();
  if (devices_.empty()) {
    view_.ShowMidiWarning(kTextNoMidiDevices);
    return false;
  }
  const int count = static_cast<int>(devices_.size());
  if (config_.device != kNoMidiDevice && (config_.device < 0 || config_.device >= count)) {
    config_.device = 0;
  }
  return OpenMidiInput();
}

bool MidiInput::OpenMidiInput() {
  // Nothing is taken from the queue's producer while it changes.
  queue_.set_accepting(false);
  port_.reset();
  if (config_.device == kNoMidiDevice) {
    queue_.set_accepting(true);
    return true;
  }
  std::string error;
  if (!ports_ || config_.device < 0 || config_.device >= static_cast<int>(devices_.size())) {
    char text[96];
    std::snprintf(text, sizeof text, "There is no MIDI input device number %d.",
                  static_cast<int>(config_.device) + 1);
    error = text;
  } else {
    port_ = ports_->Open(devices_[static_cast<size_t>(config_.device)], queue_, error);
  }
  queue_.set_accepting(true);
  if (!port_) {
    view_.ShowMidiError(kTitleMidiOpenError, error);
    return false;
  }
  return true;
}

void MidiInput::CloseMidiInput() {
  queue_.set_accepting(false);
  port_.reset();
  queue_.set_accepting(true);
}

size_t MidiInput::DecodePending() {
  return queue_.Drain([this](uint32_t message) { decoder_.MidiInProc(message); });
}

}  // namespace kornmill
