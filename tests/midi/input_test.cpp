// The input's hand-over and start-up: a producer thread against the render side, the full queue,
// the device list rules, opening and "None", with fake ports.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "decoder_fixture.h"
#include "fake_midi_ports.h"
#include "midi/midi_input.h"

namespace kornmill::testing {
namespace {

class CountingWaker : public MidiWaker {
 public:
  void WakeMidi() override { wakes.fetch_add(1); }
  std::atomic<int> wakes{0};
};

TEST(MidiMessageQueue, AThreadHandsOverEveryMessageInOrder) {
  MidiMessageQueue queue;
  CountingWaker waker;
  queue.set_waker(&waker);
  constexpr uint32_t kMessages = 200000;
  std::atomic<bool> done{false};
  std::thread input([&] {
    for (uint32_t i = 0; i < kMessages; ++i) {
      while (queue.waiting() >= MidiMessageQueue::kCapacity / 2) std::this_thread::yield();
      queue.Push(i);
    }
    done = true;
  });
  uint32_t expected = 0;
  bool in_order = true;
  auto take = [&](uint32_t m) { in_order = in_order && m == expected++; };
  while (!done) queue.Drain(take);
  queue.Drain(take);
  input.join();
  EXPECT_TRUE(in_order);
  EXPECT_EQ(expected, kMessages);
  EXPECT_EQ(queue.dropped(), 0u);
  // One wake-up per batch, never more than one per message.
  EXPECT_GE(waker.wakes.load(), 1);
  EXPECT_LE(waker.wakes.load(), static_cast<int>(kMessages));
}

TEST(MidiMessageQueue, AFullQueueDropsAndCountsAndIgnoresWhileClosed) {
  MidiMessageQueue queue;
  CountingWaker waker;
  queue.set_waker(&waker);
  for (uint32_t i = 0; i < MidiMessageQueue::kCapacity + 10; ++i) queue.Push(i);
  EXPECT_EQ(queue.dropped(), 10u);
  EXPECT_EQ(waker.wakes.load(), 1);  // nobody drained: the first wake-up is still pending
  uint32_t last = 0;
  EXPECT_EQ(queue.Drain([&](uint32_t m) { last = m; }), MidiMessageQueue::kCapacity);
  EXPECT_EQ(last, MidiMessageQueue::kCapacity - 1);
  queue.set_accepting(false);
  queue.Push(1);
  EXPECT_EQ(queue.waiting(), 0u);
  EXPECT_EQ(waker.wakes.load(), 1);
}

class RecordingView : public MidiInputView {
 public:
  void ShowMidiError(std::string_view title, std::string_view text) override {
    errors.push_back(std::string(title) + ": " + std::string(text));
  }
  void ShowMidiWarning(std::string_view text) override { warnings.emplace_back(text); }
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

class MidiInputTest : public DecoderTest {
 protected:
  MidiInputTest() {
    auto p = std::make_unique<FakePorts>();
    ports = p.get();
    ports->ports = {{"(ALSA) Kornmill MIDI in", "ALSA", "Kornmill MIDI in", true},
                    {"(ALSA) Keys", "ALSA", "Keys", false}};
    input.set_port_provider(std::move(p));
  }
  FakePorts* ports = nullptr;
  RecordingView view;
  MidiInput input{streams, engine, host, view};
};

TEST_F(MidiInputTest, StartUpChecksTheStoredChoicesAndOpensTheDevice) {
  input.config().device = 5;
  input.config().channel = 17;
  input.config().response = {0x12D, WithSource(0, 1), 0, 0, 0, 0, 0};
  EXPECT_TRUE(input.InitMidiInput());
  EXPECT_EQ(input.config().device, 0);
  EXPECT_EQ(input.config().channel, 1);
  EXPECT_EQ(input.config().response[1], 0u);  // a row without a parameter is dropped
  EXPECT_EQ(input.config().bend_range, 1);
  EXPECT_TRUE(input.is_open());
  EXPECT_EQ(ports->opened, std::vector<std::string>({"(ALSA) Kornmill MIDI in"}));
  // What arrives is decoded on the render side.
  ports->open_queue->Push(ShortMessage(0x90, 60, 127));
  EXPECT_EQ(input.DecodePending(), 1u);
  EXPECT_EQ(input.decoder().performance().held_velocity, 128);
}

TEST_F(MidiInputTest, NoDevicesIsToldAndTheChoicesAreStillDecoded) {
  ports->ports.clear();
  input.config().response[0] = kStopAtNewNoteBit;
  EXPECT_FALSE(input.InitMidiInput());
  EXPECT_EQ(view.warnings, std::vector<std::string>({"No MIDI input devices found"}));
  EXPECT_EQ(input.config().stop_mode, kStopAtNewNote);
  EXPECT_FALSE(input.is_open());
}

TEST_F(MidiInputTest, ADeviceThatCannotBeAskedIsLeftOutAndTold) {
  ports->list_errors = {"MidiInAlsa::getPortName: error looking for port name!"};
  EXPECT_TRUE(input.InitMidiInput());
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0].rfind("MIDI input device error: ", 0), 0u);
}

TEST_F(MidiInputTest, OpeningFailsWithTheReasonAndNoneClosesTheInput) {
  ports->refuse = "(ALSA) Keys";
  input.config().device = 1;
  EXPECT_FALSE(input.InitMidiInput());
  EXPECT_EQ(view.errors, std::vector<std::string>({"Error opening MIDI input device: Device busy"}));
  EXPECT_FALSE(input.is_open());
  input.config().device = 0;
  EXPECT_TRUE(input.OpenMidiInput());
  EXPECT_TRUE(input.is_open());
  input.config().device = kNoMidiDevice;
  EXPECT_TRUE(input.OpenMidiInput());
  EXPECT_FALSE(input.is_open());
  // "None" stays "None" at the next start.
  EXPECT_TRUE(input.InitMidiInput());
  EXPECT_EQ(input.config().device, kNoMidiDevice);
  EXPECT_FALSE(input.is_open());
}

}  // namespace
}  // namespace kornmill::testing
