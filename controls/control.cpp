// Glides: how a new target value is reached over a change time, one control update at a time.
#include "controls/control.h"

#include "base/fixed_point.h"

namespace kornmill {

namespace {
// A glide with fewer frames than this left arrives at its target.
constexpr int32_t kArrivalFrames = 100;
}  // namespace

void StartSmoothing(ControlRecord& c, int target, float change_time, uint32_t rate,
                    int32_t frame_clock) {
  const int32_t d = Trunc(double(rate) * change_time * 0.015625);
  c.target = target;
  c.end_time = WrapAdd(frame_clock, d);
  const double diff = double(target + 100000) - (double(c.current) + 100000.0);
  // An instant change (d = 0) needs no step: the next update takes the target.
  c.step = d != 0 ? static_cast<float>(diff / (d / 100.0)) : 0.0f;
}

void AdvanceGlide(ControlRecord& c, int32_t frame_clock) {
  if (c.end_time >= frame_clock) {
    if (WrapSub(c.end_time, frame_clock) < kArrivalFrames) {
      c.current = static_cast<float>(c.target);
    } else {
      c.current = static_cast<float>(double(c.current) + double(c.step));
    }
    c.value = Trunc(c.current);
  } else if (c.current != static_cast<float>(c.target)) {
    // A glide whose end fell between two updates arrives at the next one.
    c.current = static_cast<float>(c.target);
    c.value = Trunc(c.current);
  }
}

void SetControlGlide(ControlRecord& c, int value, float change_time, uint32_t rate,
                     int32_t frame_clock) {
  const int32_t d = Trunc(double(rate) * change_time / 64);
  c.target = value;
  c.end_time = WrapAdd(frame_clock, d);
  c.step =
      d == 0
          ? 0.0f
          : static_cast<float>((double(value + 100000) - (double(c.current) + 100000.0)) * 100 / d);
}

}  // namespace kornmill
