// MIDI input through RtMidi against a real JACK server (dummy backend): the program's own port
// and another client's port, fed by a second JACK MIDI client.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "midi/message_queue.h"
#include "midi/midi_ports.h"

namespace kornmill {
namespace {

using Clock = std::chrono::steady_clock;

class JackMidiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* fixture = std::getenv("KORNMILL_JACK_FIXTURE");
    ASSERT_NE(fixture, nullptr) << "run through ctest (JACK fixture)";
    ::setenv("JACK_DEFAULT_SERVER", fixture, 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    ports = MakeSystemMidiPorts();
  }

  // Sends active sensing from `keys` until the new connection carries it (slow under
  // ThreadSanitizer), then `messages`; returns what arrived within 20 s besides active sensing.
  std::vector<uint32_t> SendAndCollect(RtMidiOut& keys,
                                       const std::vector<std::vector<unsigned char>>& messages) {
    const std::vector<unsigned char> sensing{0xFE};
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (queue.received() == 0 && Clock::now() < end) {
      keys.sendMessage(&sensing);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& m : messages) keys.sendMessage(&m);
    std::vector<uint32_t> got;
    while (got.size() < messages.size() && Clock::now() < end + std::chrono::seconds(5)) {
      queue.Drain([&got](uint32_t m) {
        if (m != 0xFE) got.push_back(m);
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return got;
  }

  // The index of the first input port of the sender whose name contains `part`.
  static unsigned PortOf(RtMidiOut& out, const std::string& part) {
    for (unsigned i = 0; i < out.getPortCount(); ++i) {
      if (out.getPortName(i).find(part) != std::string::npos) return i;
    }
    return out.getPortCount();
  }

  std::unique_ptr<MidiPortProvider> ports;
  MidiMessageQueue queue;
};

TEST_F(JackMidiTest, TheOwnPortIsListedFirstAndReceivesFromAnotherClient) {
  std::vector<std::string> errors;
  const std::vector<MidiPortEntry> list = ports->ListPorts(errors);
  EXPECT_TRUE(errors.empty()) << errors[0];
  ASSERT_FALSE(list.empty());
  const auto own = std::find_if(list.begin(), list.end(), [](const MidiPortEntry& e) {
    return e.label == "(JACK) Kornmill MIDI in";
  });
  ASSERT_NE(own, list.end());
  EXPECT_TRUE(own->own);
  std::string error;
  std::unique_ptr<MidiPort> input = ports->Open(*own, queue, error);
  ASSERT_TRUE(input) << error;

  RtMidiOut keys(RtMidi::UNIX_JACK, "Test keys");
  const unsigned port = PortOf(keys, kOwnPortName);
  ASSERT_LT(port, keys.getPortCount());
  keys.openPort(port, "out");
  const std::vector<uint32_t> got = SendAndCollect(
      keys, {{0x90, 60, 100}, {0xB0, 27, 127}, {0xE0, 0, 64}, {0xC0, 33}, {0xFA}, {0x80, 60, 0}});
  EXPECT_EQ(got, (std::vector<uint32_t>{0x643C90, 0x7F1BB0, 0x4000E0, 0x21C0, 0xFA, 0x3C80}));
  EXPECT_EQ(queue.dropped(), 0u);
}

TEST_F(JackMidiTest, AnotherClientsPortIsListedWithItsSystemAndOpened) {
  RtMidiOut keys(RtMidi::UNIX_JACK, "Keyboard");
  keys.openVirtualPort("keys out");
  std::vector<std::string> errors;
  const std::vector<MidiPortEntry> list = ports->ListPorts(errors);
  const auto entry = std::find_if(list.begin(), list.end(), [](const MidiPortEntry& e) {
    return !e.own && e.name.find("keys out") != std::string::npos;
  });
  ASSERT_NE(entry, list.end());
  EXPECT_EQ(entry->label, "(JACK) " + entry->name);
  EXPECT_EQ(entry->system, "JACK");
  std::string error;
  std::unique_ptr<MidiPort> input = ports->Open(*entry, queue, error);
  ASSERT_TRUE(input) << error;
  const std::vector<unsigned char> note{0x91, 64, 1};
  const std::vector<uint32_t> got = SendAndCollect(keys, {note});
  EXPECT_EQ(got, std::vector<uint32_t>{0x014091});
  // Closing it stops the messages.
  input.reset();
  keys.sendMessage(&note);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(queue.waiting(), 0u);
}

TEST_F(JackMidiTest, APortThatWentAwayFailsWithAReason) {
  MidiPortEntry gone{"(JACK) nobody:nothing", "JACK", "nobody:nothing", false};
  std::string error;
  EXPECT_FALSE(ports->Open(gone, queue, error));
  EXPECT_NE(error.find("no longer there"), std::string::npos) << error;
}

}  // namespace
}  // namespace kornmill
