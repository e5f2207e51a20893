// The input side of the message hand-over.
#include "midi/message_queue.h"

namespace kornmill {

void MidiMessageQueue::Push(uint32_t message) {
  if (!accepting_.load(std::memory_order_acquire)) return;
  received_.fetch_add(1, std::memory_order_relaxed);
  const uint64_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) >= kCapacity) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
  } else {
    slots_[head % kCapacity] = message;
    head_.store(head + 1, std::memory_order_release);
  }
  // One wake-up per batch: the render side clears the flag before it drains.
  if (!pending_.exchange(true, std::memory_order_acq_rel)) {
    if (MidiWaker* w = waker_.load(std::memory_order_acquire)) w->WakeMidi();
  }
}

}  // namespace kornmill
