// MIDI input ports: what the systems offer, and opening one that feeds the message queue.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kornmill {

class MidiMessageQueue;

// The program's own input port, which other programs connect to.
inline constexpr const char* kOwnPortName = "Kornmill MIDI in";
// The program's client name on the MIDI systems.
inline constexpr const char* kMidiClientName = "Kornmill";

// One entry of the device list.
struct MidiPortEntry {
  std::string label;   // shown to the user: "(ALSA) …", "(JACK) …"
  std::string system;  // "ALSA" or "JACK"
  std::string name;    // the port's name on that system
  bool own = false;    // the program's own input port
};

// An open input. Until it is destroyed its messages go to the queue it was
// opened with; destroying it waits until its thread delivers no more.
class MidiPort {
 public:
  virtual ~MidiPort() = default;
};

// The MIDI systems of the machine, behind an interface tests can replace. Main thread.
class MidiPortProvider {
 public:
  virtual ~MidiPortProvider() = default;
  // The ports there are now: first the program's own port on each running
  // system, then every port that sends MIDI. A port that cannot be asked
  // about is left out and its problem added to `errors`.
  virtual std::vector<MidiPortEntry> ListPorts(std::vector<std::string>& errors) = 0;
  // Opens `entry`; every short message then goes to `queue`. Null, with the
  // reason in `error`, when it cannot be opened.
  virtual std::unique_ptr<MidiPort> Open(const MidiPortEntry& entry, MidiMessageQueue& queue,
                                         std::string& error) = 0;
};

// The ALSA sequencer and JACK through RtMidi, as far as they are running.
std::unique_ptr<MidiPortProvider> MakeSystemMidiPorts();

}  // namespace kornmill
