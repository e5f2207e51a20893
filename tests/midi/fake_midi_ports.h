// MIDI ports that exist only in a test: what a port "receives" is pushed by the test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/message_queue.h"
#include "midi/midi_ports.h"

namespace kornmill::testing {

class FakePorts : public MidiPortProvider {
 public:
  std::vector<MidiPortEntry> ListPorts(std::vector<std::string>& errors) override {
    errors = list_errors;
    return ports;
  }
  std::unique_ptr<MidiPort> Open(const MidiPortEntry& entry, MidiMessageQueue& queue,
                                 std::string& error) override {
    opened.push_back(entry.label);
    if (entry.label == refuse) {
      error = "Device busy";
      return nullptr;
    }
    open_queue = &queue;
    return std::make_unique<MidiPort>();
  }
  std::vector<MidiPortEntry> ports;
  std::vector<std::string> list_errors;
  std::string refuse;
  std::vector<std::string> opened;
  MidiMessageQueue* open_queue = nullptr;
};

// One own port, opened without complaint.
inline std::unique_ptr<FakePorts> OneFakePort() {
  auto p = std::make_unique<FakePorts>();
  p->ports = {{"(ALSA) Kornmill MIDI in", "ALSA", "Kornmill MIDI in", true}};
  return p;
}

}  // namespace kornmill::testing
