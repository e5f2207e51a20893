// A control record and the glide that moves its current value towards a target.
#pragma once

#include <cstdint>

namespace kornmill {

// One control of a stream. The engine moves `current` towards `target` by
// `step` every control update until `end_time` (frame clock) has passed.
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

// The MIDI form of the same glide: duration trunc(rate × time / 64), step 0
// for an instant change. May be called from the MIDI thread: it writes whole
// 32-bit fields only.
void SetControlGlide(ControlRecord& c, int value, float change_time, uint32_t rate,
                     int32_t frame_clock);

}  // namespace kornmill
