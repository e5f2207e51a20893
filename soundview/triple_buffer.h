// A lock-free triple buffer: one writer hands whole snapshots to one reader.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace kornmill {

// Three preallocated slots. The writer fills its back slot and publishes it by
// swapping it with the middle slot; the reader takes the middle slot in
// exchange for its front slot when a new one is there. Neither side ever
// waits, and the reader only ever sees a slot the writer finished.
template <class T>
class TripleBuffer {
 public:
  // Allocates the three slots (on the thread that builds it, not the writer's).
  TripleBuffer() : slots_(std::make_unique<T[]>(kSlots)) {}
  TripleBuffer(const TripleBuffer&) = delete;
  TripleBuffer& operator=(const TripleBuffer&) = delete;

  // Writer thread only: the slot to fill. Never allocates, never blocks.
  T& back() { return slots_[back_]; }
  // Writer thread only: makes the back slot the newest complete one and takes
  // the old middle slot as the next back slot. Never allocates, never blocks.
  void Publish() {
    const uint8_t old = middle_.exchange(static_cast<uint8_t>(back_ | kFresh),
                                         std::memory_order_acq_rel);
    back_ = old & kIndexMask;
  }

  // Reader thread only: takes the newest published slot when there is one;
  // true when it is new since the last call. Never allocates, never blocks.
  bool Update() {
    if (!(middle_.load(std::memory_order_relaxed) & kFresh)) return false;
    const uint8_t old = middle_.exchange(front_, std::memory_order_acq_rel);
    front_ = old & kIndexMask;
    return true;
  }
  // Reader thread only: the slot the reader holds (all zero-initialised until
  // the first Update that returned true).
  const T& front() const { return slots_[front_]; }

 private:
  static constexpr int kSlots = 3;
  static constexpr uint8_t kFresh = 0x4;
  static constexpr uint8_t kIndexMask = 0x3;

  std::unique_ptr<T[]> slots_;
  uint8_t back_ = 0;                 // the writer's
  std::atomic<uint8_t> middle_{1};   // shared; kFresh when not yet taken
  uint8_t front_ = 2;                // the reader's
};

}  // namespace kornmill
