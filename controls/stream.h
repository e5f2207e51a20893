// The stream: one grain voice with its sound, controls and loop state; and the stream table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/control.h"
#include "controls/control_table.h"

namespace kornmill {

struct Sound;

// Stream states.
inline constexpr int kStreamActive = 1;
inline constexpr int kStreamReplacingSound = -2;

// Input channel mask.
inline constexpr int kInputLeft = 1;
inline constexpr int kInputRight = 2;
inline constexpr int kInputBoth = 3;

struct Stream {
  int32_t state = 0;         // 1 active; -2 while its sound is replaced
  Sound* sound = nullptr;    // never null once the stream exists
  std::vector<float> block;  // own output block: block frames × channels
  int32_t input_mask = kInputLeft;
  std::array<ControlRecord, kControls> controls{};
  int32_t patch_bank = 0;     // 0..7 for banks A..H
  int32_t patch_slot = 0;     // 0 default patch, 1..20 slots
  int32_t loop_position = 0;  // read position inside the loop, 28-bit units
  int32_t loop_rate = 0;      // position units per output frame
  int32_t loop_length = 0;
  int32_t loop_deviation = 0;  // random part of the loop length
  uint32_t onset_phase = 0;    // a grain starts each time it reaches 2^28
  int32_t onset_increment = 0;
  int32_t hard_sync = 0;
  int32_t amplitude = 0;  // integer value of control 23
  Stream* next_playing = nullptr;

  float cur(int k) const { return controls[k].current; }
  int32_t val(int k) const { return controls[k].value; }
};

// The program's streams. It has room for one; the design keeps per-stream
// blocks and a play list so that more could sound together.
class StreamTable {
 public:
  static constexpr int kCapacity = 1;

  StreamTable();

  // Creates stream 1 with the default controls, playing `sine`.
  void InitStreams(Sound* sine);

  int count() const { return count_; }
  int current_index() const { return current_; }
  void set_current_index(int i) { current_ = i; }
  Stream& operator[](int i) { return streams_[i]; }
  const Stream& operator[](int i) const { return streams_[i]; }
  Stream& current() { return streams_[current_]; }
  const Stream& current() const { return streams_[current_]; }
  Stream* first() { return count_ > 0 ? &streams_[0] : nullptr; }

  // Global change time (the value of control 28), shared by all streams.
  int change_time() const { return change_time_; }
  void set_change_time(int t) { change_time_ = t; }

  const MidiScales& midi_scales() const { return midi_scales_; }

  // The default patch: the default value of each of the 29 controls.
  const std::array<int, kControls>& default_values() const { return default_values_; }

 private:
  std::array<Stream, kCapacity> streams_{};
  int count_ = 0;
  int current_ = 0;
  int change_time_ = kDefaultChangeTime;
  MidiScales midi_scales_{};
  std::array<int, kControls> default_values_{};
};

// Sets control k of the current stream to `value` and starts its glide over
// the global change time (or the quick 6/64 s when `quick`). Control 28 sets
// the change time itself. Nothing happens when the current value already
// equals `value`.
void SetControlTarget(StreamTable& streams, int k, int value, bool quick, uint32_t rate,
                      int32_t frame_clock);

// The glides of controls 0..27 of `s` at one control update (AdvanceGlide);
// control 28 never glides. Called inside a block render: allocates nothing.
void AdvanceGlides(Stream& s, int32_t frame_clock);

// Play snapshot: controls 0..27 of `s` jump to their targets, end time 0.
void SnapControlsToTargets(Stream& s);

// The frame clock was set back (or on) by `delta`: every control's glide end
// time moves with it, so a glide keeps the time it has left.
void MoveGlideEndTimes(StreamTable& streams, int32_t delta);

// Input-mask toggles of the "Left Channel" / "Right Channel" commands: the
// mask is never left 0 (turning off the only channel selects the other).
void ToggleInputChannel(Stream& s, int bit);

// "Use Test Tone": releases the stream's sound and gives it `sine`, mask 1.
// Returns the sound that was released (or null when it was the sine already).
Sound* UseTestTone(Stream& s, Sound* sine);

}  // namespace kornmill
