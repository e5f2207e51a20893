// The hand-over of incoming MIDI messages from the input's thread to the render side.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kornmill {

// Wakes the render side when messages are waiting. Called on the input's
// thread (which may be JACK's real-time thread): must not block or allocate.
class MidiWaker {
 public:
  virtual ~MidiWaker() = default;
  virtual void WakeMidi() = 0;
};

// A single-producer, single-consumer ring of short messages. The input's
// thread pushes without waiting; the render side takes them in order. The
// ring's size bounds the memory a flood of messages can take: when it is
// full (the render side has been held up for a long time) new messages are
// dropped and counted.
class MidiMessageQueue {
 public:
  static constexpr size_t kCapacity = 16384;

  // Main thread, before any input is open.
  void set_waker(MidiWaker* waker) { waker_.store(waker, std::memory_order_release); }
  // Main thread: while false (a device being opened), messages are ignored.
  void set_accepting(bool on) { accepting_.store(on, std::memory_order_release); }

  // Input thread: one message; wakes the render side unless a wake-up is pending.
  void Push(uint32_t message);

  // Render side: calls `take(message)` for every waiting message, in order,
  // and returns their number. New messages wake the render side again.
  template <class Take>
  size_t Drain(Take&& take) {
    // An exchange, not a store: it reads the flag the last Push set, so that
    // Push's message is seen below, or that Push wakes the render side again.
    pending_.exchange(false, std::memory_order_acq_rel);
    const uint64_t head = head_.load(std::memory_order_acquire);
    uint64_t tail = tail_.load(std::memory_order_relaxed);
    const size_t n = static_cast<size_t>(head - tail);
    for (; tail != head; ++tail) take(slots_[tail % kCapacity]);
    tail_.store(tail, std::memory_order_release);
    return n;
  }

  // Any thread: messages received (pushed or dropped) and dropped since start.
  uint64_t received() const { return received_.load(std::memory_order_relaxed); }
  uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
  // Render side: messages waiting now.
  size_t waiting() const {
    return static_cast<size_t>(head_.load(std::memory_order_acquire) -
                               tail_.load(std::memory_order_relaxed));
  }

 private:
  std::array<uint32_t, kCapacity> slots_{};
  std::atomic<uint64_t> head_{0};  // written by the input thread only
  std::atomic<uint64_t> tail_{0};  // written by the render side only
  std::atomic<bool> pending_{false};
  std::atomic<bool> accepting_{true};
  std::atomic<MidiWaker*> waker_{nullptr};
  std::atomic<uint64_t> received_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace kornmill
