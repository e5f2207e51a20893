// The 29 controls: their ranges, defaults, display scales and scrollbar mapping.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kornmill {

inline constexpr int kControls = 29;       // 28 grain controls and the change time
inline constexpr int kGrainControls = 28;  // controls 0 .. 27
inline constexpr int kChangeTime = 28;     // control 28: change time in 64ths of a second

// Control indices by meaning.
enum ControlIndex : int {
  kLoopStart = 0,
  kLoopStartRnd,
  kLoopLength,
  kLoopLengthRnd,
  kRate,
  kRateRange,
  kRateAm,
  kGrainFreq,
  kGrainFreqRnd,
  kGrainFreqAm,
  kGrainLength,
  kGrainLengthRnd,
  kGrainLengthAm,
  kPitch,
  kPitchRnd,
  kPitchAm,
  kGliss,
  kGlissRnd,
  kGlissAm,
  kAttack,
  kAttackRnd,
  kDecay,
  kDecayRnd,
  kAmp,
  kAmpAm,
  kPanRnd,
  kPanRndAm,
  kPan,
  kChangeTimeControl,
};

struct ControlRow {
  int minimum;
  int maximum;
  int default_position;
  float display_scale;
  std::string_view label;  // caption beside the scrollbar, empty for none
  std::string_view group;  // group box caption
};

extern const std::array<ControlRow, kControls> kControlTable;

// A scrollbar's top (position = minimum) gives the maximum value.
constexpr int ValueFromPosition(const ControlRow& row, int position) {
  return row.minimum + row.maximum - position;
}
constexpr int PositionFromValue(const ControlRow& row, int value) {
  return row.minimum + row.maximum - value;
}
inline int DefaultValue(int k) {
  const ControlRow& r = kControlTable[k];
  return ValueFromPosition(r, r.default_position);
}

// Scrollbar geometry shared by all controls: range minimum .. maximum + 3, page 5.
inline constexpr int kScrollPage = 5;
inline constexpr int kScrollExtra = 3;

// Default change time (control 28) in 64ths of a second: one second.
inline constexpr int kDefaultChangeTime = 64;
// A Ctrl-held scroll glides in 6/64 s.
inline constexpr int kQuickChangeTime = 6;

// MIDI: per-control steps of a 7-bit and a 14-bit controller, and the start values.
struct MidiScales {
  std::array<float, kControls> coarse{};  // (max - min) × 1/128
  std::array<float, kControls> fine{};    // that × 1/128 again
};
MidiScales ComputeMidiScales();
// trunc(coarse × b + minimum) for the 29 start bytes.
std::array<int, kControls> MidiStartValues(const MidiScales& scales);

}  // namespace kornmill
