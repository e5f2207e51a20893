// The stream table, control targets and the stream commands of the model.
#include "controls/stream.h"

#include "base/fixed_point.h"
#include "base/sound.h"

namespace kornmill {

StreamTable::StreamTable() {
  for (int k = 0; k < kControls; ++k) default_values_[k] = DefaultValue(k);
}

void StreamTable::InitStreams(Sound* sine) {
  if (count_ == 0) {
    change_time_ = kDefaultChangeTime;
    midi_scales_ = ComputeMidiScales();
    const auto midi = MidiStartValues(midi_scales_);
    Stream& s = streams_[0];
    for (int k = 0; k < kControls; ++k) {
      ControlRecord& c = s.controls[k];
      c.target = default_values_[k];
      c.midi_value = midi[k];
      if (k < kGrainControls) {
        // The grain controls start at rest on their defaults.
        c.current = static_cast<float>(c.target);
        c.value = c.target;
      }
    }
  }
  Stream& s = streams_[0];
  count_ = 1;
  s.state = kStreamActive;
  s.sound = sine;
  s.input_mask = kInputLeft;
  s.onset_phase = 1u << 28;  // the first block starts with a grain
  current_ = 0;
}

void SetControlTarget(StreamTable& streams, int k, int value, bool quick, uint32_t rate,
                      int32_t frame_clock) {
  ControlRecord& c = streams.current().controls[k];
  if (k == kChangeTimeControl) {
    // The change time changes no sound: it sets the time of later changes.
    c.target = value;
    streams.set_change_time(value);
    return;
  }
  if (c.current == static_cast<float>(value)) return;
  c.target = value;
  const int t = quick ? kQuickChangeTime : streams.change_time();
  StartSmoothing(c, value, static_cast<float>(t), rate, frame_clock);
}

void AdvanceGlides(Stream& s, int32_t frame_clock) {
  for (int k = 0; k < kGrainControls; ++k) AdvanceGlide(s.controls[k], frame_clock);
}

void SnapControlsToTargets(Stream& s) {
  for (int k = 0; k < kGrainControls; ++k) {
    ControlRecord& c = s.controls[k];
    c.current = static_cast<float>(c.target);
    // The integer value follows at once, so a control changed while stopped
    // is heard from the first grain of the performance.
    c.value = Trunc(c.current);
    c.end_time = 0;
  }
}

void MoveGlideEndTimes(StreamTable& streams, int32_t delta) {
  for (int i = 0; i < streams.count(); ++i) {
    for (ControlRecord& c : streams[i].controls) c.end_time = WrapAdd(c.end_time, delta);
  }
}

void ToggleInputChannel(Stream& s, int bit) {
  s.input_mask ^= bit;
  if (s.input_mask == 0) s.input_mask = bit == kInputLeft ? kInputRight : kInputLeft;
}

Sound* UseTestTone(Stream& s, Sound* sine) {
  Sound* previous = s.sound;
  s.input_mask = kInputLeft;
  if (previous == sine) return nullptr;
  s.sound = sine;
  if (previous && !previous->builtin) {
    // A sound left by its last stream stays cached (count -1).
    if (--previous->use_count == 0) previous->use_count = -1;
  }
  return previous;
}

}  // namespace kornmill
