// Publishes the loop, the grains and the output level of each rendered block for the sound view.
#pragma once

#include <atomic>
#include <cstdint>

#include "soundview/triple_buffer.h"
#include "soundview/view_snapshot.h"

namespace kornmill {

class Engine;
struct Stream;

// The render thread writes one snapshot per block; the view takes the newest
// complete one whenever it draws.
class SnapshotPublisher {
 public:
  SnapshotPublisher() = default;
  SnapshotPublisher(const SnapshotPublisher&) = delete;
  SnapshotPublisher& operator=(const SnapshotPublisher&) = delete;

  // Render thread, once per block after it was rendered: the stream's loop and
  // grains as the engine left them and the peaks of `block` (frames ×
  // channels samples). Allocates nothing, locks nothing, throws nothing; does
  // nothing while disabled.
  void Publish(const Engine& engine, const Stream& stream, const float* block, int frames,
               int channels, bool playing);

  // Any thread: the view is shown (publishing on) or hidden (off).
  void set_enabled(bool on) { enabled_.store(on, std::memory_order_relaxed); }
  bool enabled() const { return enabled_.load(std::memory_order_relaxed); }

  // Reader thread (the view's): takes the newest snapshot; true when it is
  // new since the last call. Never blocks.
  bool Update() { return buffer_.Update(); }
  // Reader thread: the snapshot taken by the last Update.
  const ViewSnapshot& latest() const { return buffer_.front(); }

 private:
  TripleBuffer<ViewSnapshot> buffer_;
  std::atomic<bool> enabled_{true};
  uint64_t blocks_ = 0;  // render thread's
};

}  // namespace kornmill
