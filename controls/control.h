// A control record and the glide that moves its current value towards a target.
#pragma once

#include <cstdint>

namespace kornmill {

// One control of a stream. Each control update of the engine moves `current`
// towards `target` by `step` (AdvanceGlide) until `end_time` (frame clock) has passed.
struct ControlRecord {
  float current = 0;       // smoothed value the engine uses
  float step = 0;          // change of current per 100 frames during a glide
  int32_t value = 0;       // trunc(current), refreshed by the control update
  int32_t target = 0;      // the value last set; scrollbars and texts show it
  int32_t end_time = 0;    // frame-clock time at which the glide ends
  int32_t midi_value = 0;  // value last derived from MIDI input
};

// Starts a glide of `c` to `target` over `change_time` 64ths of a second at
// output rate `rate`, from frame-clock time `frame_clock`.
void StartSmoothing(ControlRecord& c, int target, float change_time, uint32_t rate,
                    int32_t frame_clock);

// One control update of a glide at frame-clock time `frame_clock`: while the
// end time has not passed, current moves by one step, or arrives at the target
// once fewer than 100 frames are left; a glide whose end fell between two
// updates arrives now. The integer value follows current. Called inside a
// block render (on the thread that renders): allocates nothing, blocks on nothing.
void AdvanceGlide(ControlRecord& c, int32_t frame_clock);

// The MIDI form of the same glide: duration trunc(rate × time / 64), step 0
// for an instant change. May be called from the MIDI thread: it writes whole
// 32-bit fields only.
void SetControlGlide(ControlRecord& c, int value, float change_time, uint32_t rate,
                     int32_t frame_clock);

}  // namespace kornmill
