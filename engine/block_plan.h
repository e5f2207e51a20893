// The plan of one block: every grain that sounds in it, where it starts and ends, and the
// control ticks whose gain refresh reaches it; filled by the step loop before any sample is made.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "controls/stream.h"
#include "engine/grain.h"
#include "engine/grain_kernel.h"

namespace kornmill {

// One grain's part in the block: what changes from block to block of what
// rendering the grain reads (the rest are grain fields that stay as they are
// while it plays), so that render threads never read a line the step loop
// writes while they run. One cache line. Frames count from the first frame of
// the block's first step.
struct alignas(64) GrainPlan {
  Grain* grain = nullptr;
  int32_t stream = 0;       // index of the grain's stream in the stream table
  int32_t first_frame = 0;  // its first frame in the block
  int32_t end_frame = 0;    // after the last frame of its last step in the block
  int32_t decay_frame = 0;  // first frame of its first decaying step (end_frame or more: none)
  int32_t first_tick = 0;   // the first control tick whose gain refresh reaches it
  GrainCursor start;        // its cursor at first_frame
  float left_gain = 0, right_gain = 0;  // its gains at first_frame
  GrainKernel kernel = nullptr;
};
static_assert(sizeof(GrainPlan) == 64);

// Where a grain stands after its last frame in the block, kept apart from the
// grain record and the plan so that the thread that renders the block's last
// frames writes no cache line another thread reads; stored into the grain once
// every thread is done.
struct GrainEnd {
  GrainCursor cursor;
  float left_gain = 0, right_gain = 0;
  bool written = false;
};

// A control update inside the block: the step it ran at and the integer
// amplitude of each stream after it, from which long grains take their gains.
struct ControlTick {
  int32_t frame = 0;
  std::array<int32_t, StreamTable::kCapacity> amplitude{};
};

// The block's plan. Grains are stored as they are met: those sounding when the
// block begins in active-list order, then those started in it in start order.
// `at(i)` walks them in the order the active list has while they sound: the
// newest first, then the older ones.
class BlockPlan {
 public:
  // Room for `grains` grains and `ticks` control ticks. Allocates; not for the render path.
  void Reserve(int grains, int ticks);
  int grain_capacity() const { return static_cast<int>(grains_.size()); }
  int tick_capacity() const { return static_cast<int>(ticks_.size()); }

  void Clear(int steps);
  int steps() const { return steps_; }
  int frames() const { return steps_ * 8; }

  // Adds a grain (sounding at the block's start, or started in it after the
  // older ones have all been added). The caller keeps within the capacity.
  GrainPlan& AddSounding() { return grains_[static_cast<size_t>(sounding_++)]; }
  GrainPlan& AddStarted() { return grains_[static_cast<size_t>(sounding_ + started_++)]; }
  void AddTick(const ControlTick& t) { ticks_[static_cast<size_t>(tick_count_++)] = t; }

  int size() const { return sounding_ + started_; }
  GrainPlan& at(int i) { return at(i, started_); }
  // The same walk over the grains sounding at the block's start and the first
  // `started` it started: all that sound before the next one starts.
  GrainPlan& at(int i, int started) { return grains_[Walk(i, started)]; }
  GrainPlan& stored(int i) { return grains_[static_cast<size_t>(i)]; }
  // The i-th grain the block started, in start order.
  const GrainPlan& started_at(int i) const { return grains_[static_cast<size_t>(sounding_ + i)]; }
  // The end state of the grain that `at(i)` gives, by the same walk.
  GrainEnd& end_at(int i) { return end_at(i, started_); }
  GrainEnd& end_at(int i, int started) { return ends_[Walk(i, started)]; }
  int sounding() const { return sounding_; }
  int started() const { return started_; }
  int tick_count() const { return tick_count_; }
  const ControlTick& tick(int i) const { return ticks_[static_cast<size_t>(i)]; }

 private:
  size_t Walk(int i, int started) const {
    return static_cast<size_t>(i < started ? sounding_ + started - 1 - i : i - started);
  }

  std::vector<GrainPlan> grains_;
  std::vector<GrainEnd> ends_;  // one per entry of grains_
  std::vector<ControlTick> ticks_;
  int steps_ = 0;
  int sounding_ = 0;
  int started_ = 0;
  int tick_count_ = 0;
};

}  // namespace kornmill
