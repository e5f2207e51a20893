// The MIDI input: the device list, opening the chosen device, and decoding what it sends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "midi/message_queue.h"
#include "midi/midi_config.h"
#include "midi/midi_decoder.h"
#include "midi/midi_ports.h"

namespace kornmill {

class Engine;
class StreamTable;

// How the input reports to the user (message boxes in the program). Main thread.
class MidiInputView {
 public:
  virtual ~MidiInputView() = default;
  virtual void ShowMidiError(std::string_view title, std::string_view text) = 0;
  virtual void ShowMidiWarning(std::string_view text) = 0;
};

inline constexpr const char* kTitleMidiDeviceError = "MIDI input device error";
inline constexpr const char* kTitleMidiOpenError = "Error opening MIDI input device";
inline constexpr const char* kTextNoMidiDevices = "No MIDI input devices found";

// Everything here runs on the main thread, except DecodePending (the render
// side, with the render lock held: in the program that is the main thread too).
class MidiInput {
 public:
  MidiInput(StreamTable& streams, Engine& engine, MidiHost& host, MidiInputView& view);
  ~MidiInput();
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // Set before InitMidiInput: the MIDI systems (MakeSystemMidiPorts for the
  // machine's; without any there are no devices) and who wakes the render
  // side when messages arrive.
  void set_port_provider(std::unique_ptr<MidiPortProvider> ports);
  void set_waker(MidiWaker* waker) { queue_.set_waker(waker); }

  // The settings; the dialogs edit a copy and put it back here on OK.
  MidiConfig& config() { return config_; }
  const MidiConfig& config() const { return config_; }
  MidiDecoder& decoder() { return decoder_; }
  MidiMessageQueue& queue() { return queue_; }

  // Start-up: checks the stored choices (unusable response rows dropped, row
  // 0 decoded, a channel outside 0..16 becomes 1), lists the devices (errors
  // of single devices shown as "MIDI input device error"; none at all shows
  // "No MIDI input devices found" and gives false), makes an unknown device
  // 0 and opens it. The program goes on whatever this returns.
  bool InitMidiInput();
  // (Re)opens config().device; kNoMidiDevice closes the input and succeeds.
  // A failure shows "Error opening MIDI input device" and leaves no input open.
  bool OpenMidiInput();
  // Stops and closes the input (shut-down).
  void CloseMidiInput();
  bool is_open() const { return static_cast<bool>(port_); }

  // The devices as last listed, in the order of config().device.
  const std::vector<MidiPortEntry>& devices() const { return devices_; }
  // Lists them again (the options dialog, before it shows the list).
  const std::vector<MidiPortEntry>& RefreshDevices();

  // Render side: decodes every message waiting; returns their number.
  size_t DecodePending();

 private:
  MidiConfig config_;
  MidiDecoder decoder_;
  MidiInputView& view_;
  std::unique_ptr<MidiPortProvider> ports_;
  std::vector<MidiPortEntry> devices_;
  // The queue outlives the port that feeds it.
  MidiMessageQueue queue_;
  std::unique_ptr<MidiPort> port_;
};

}  // namespace kornmill
