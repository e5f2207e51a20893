// MIDI input through RtMidi: the ALSA sequencer and JACK, each asked only when it is running.
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "midi/message_queue.h"
#include "midi/midi_ports.h"

namespace kornmill {

namespace {

constexpr const char* kAlsaSequencer = "/dev/snd/seq";
constexpr const char* kAlsa = "ALSA";
constexpr const char* kJack = "JACK";
constexpr size_t kShortMessageMax = 3;

void Silent(const char*) {}

// True when a JACK server answers. libjack's own complaints about a missing
// server are kept off the terminal: no server is no error here.
bool JackServerRunning() {
  void (*error_fn)(const char*) = jack_error_callback;
  void (*info_fn)(const char*) = jack_info_callback;
  jack_set_error_function(Silent);
  jack_set_info_function(Silent);
  jack_status_t status{};
  jack_client_t* client = jack_client_open("Kornmill probe", JackNoStartServer, &status);
  if (client) jack_client_close(client);
  jack_set_error_function(error_fn);
  jack_set_info_function(info_fn);
  return client != nullptr;
}

bool AlsaSequencerPresent() {
  return ::access(kAlsaSequencer, R_OK | W_OK) == 0;
}

std::string Label(const char* system, const std::string& name) {
  return std::string("(") + system + ") " + name;
}

// Collects RtMidi's reports on the thread that opens or lists ports; what
// the input thread reports later is only counted.
struct ErrorSink {
  std::atomic<bool> collecting{true};
  std::atomic<int> late_errors{0};
  std::string text;
  bool failed = false;

  static void Report(RtMidiError::Type type, const std::string& message, void* user) {
    auto* sink = static_cast<ErrorSink*>(user);
    if (!sink->collecting.load(std::memory_order_acquire)) {
      sink->late_errors.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    if (sink->text.empty()) sink->text = message;
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) sink->failed = true;
  }
};

// Input thread (RtMidi's own for ALSA, JACK's process thread for JACK):
// packs the message and hands it over without waiting.
void OnMessage(double, std::vector<unsigned char>* message, void* user) {
  if (!message || message->empty() || message->size() > kShortMessageMax) return;
  uint32_t word = 0;
  for (size_t i = 0; i < message->size(); ++i) word |= uint32_t{(*message)[i]} << (8 * i);
  static_cast<MidiMessageQueue*>(user)->Push(word);
}

class RtMidiPort final : public MidiPort {
 public:
  // Declared first, destroyed last: RtMidi may report until its input is gone.
  ErrorSink errors;
  std::unique_ptr<RtMidiIn> in;
};

class SystemMidiPorts final : public MidiPortProvider {
 public:
  std::vector<MidiPortEntry> ListPorts(std::vector<std::string>& errors) override;
  std::unique_ptr<MidiPort> Open(const MidiPortEntry& entry, MidiMessageQueue& queue,
                                 std::string& error) override;

 private:
  static void ListSystem(RtMidi::Api api, const char* system, std::vector<MidiPortEntry>& own,
                         std::vector<MidiPortEntry>& ports, std::vector<std::string>& errors);
};

void SystemMidiPorts::ListSystem(RtMidi::Api api, const char* system,
                                 std::vector<MidiPortEntry>& own,
                                 std::vector<MidiPortEntry>& ports,
                                 std::vector<std::string>& errors) {
  try {
    RtMidiIn in(api, kMidiClientName);
    ErrorSink sink;
    in.setErrorCallback(&ErrorSink::Report, &sink);
    own.push_back({Label(system, kOwnPortName), system, kOwnPortName, true});
    const unsigned count = in.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
      sink.text.clear();
      const std::string name = in.getPortName(i);
      if (name.empty()) {
        errors.push_back(sink.text.empty() ? Label(system, "a port without a name") : sink.text);
        continue;
      }
      ports.push_back({Label(system, name), system, name, false});
    }
  } catch (const RtMidiError& e) {
    errors.push_back(e.getMessage());
  }
}

std::vector<MidiPortEntry> SystemMidiPorts::ListPorts(std::vector<std::string>& errors) {
  std::vector<MidiPortEntry> own;
  std::vector<MidiPortEntry> ports;
  if (AlsaSequencerPresent()) ListSystem(RtMidi::LINUX_ALSA, kAlsa, own, ports, errors);
  if (JackServerRunning()) ListSystem(RtMidi::UNIX_JACK, kJack, own, ports, errors);
  own.insert(own.end(), ports.begin(), ports.end());
  return own;
}

std::unique_ptr<MidiPort> SystemMidiPorts::Open(const MidiPortEntry& entry,
                                                MidiMessageQueue& queue, std::string& error) {
  const bool jack = entry.system == kJack;
  if (jack ? !JackServerRunning() : !AlsaSequencerPresent()) {
    error = jack ? "The JACK server is not running." : "There is no ALSA sequencer.";
    return nullptr;
  }
  auto port = std::make_unique<RtMidiPort>();
  try {
    port->in = std::make_unique<RtMidiIn>(jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA,
                                          kMidiClientName);
    RtMidiIn& in = *port->in;
    in.setErrorCallback(&ErrorSink::Report, &port->errors);
    // System exclusive is not used; clock and active sensing reach the monitor.
    in.ignoreTypes(true, false, false);
    in.setCallback(&OnMessage, &queue);
    if (entry.own) {
      in.openVirtualPort(kOwnPortName);
    } else {
      unsigned index = in.getPortCount();
      for (unsigned i = 0; i < in.getPortCount(); ++i) {
        if (in.getPortName(i) == entry.name) index = i;
      }
      if (index == in.getPortCount()) {
        error = "The MIDI input device \"" + entry.label + "\" is no longer there.";
        return nullptr;
      }
      in.openPort(index, kOwnPortName);
      if (!in.isPortOpen() && port->errors.text.empty()) port->errors.failed = true;
    }
  } catch (const RtMidiError& e) {
    error = e.getMessage();
    return nullptr;
  }
  if (port->errors.failed) {
    error = port->errors.text.empty() ? "The MIDI input device could not be opened."
                                      : port->errors.text;
    return nullptr;
  }
  port->errors.collecting.store(false, std::memory_order_release);
  return port;
}

}  // namespace

std::unique_ptr<MidiPortProvider> MakeSystemMidiPorts() {
  return std::make_unique<SystemMidiPorts>();
}

}  // namespace kornmill
