// The MIDI numbers the instrument answers to: the controllers of the controls and the programs.
#pragma once

namespace kornmill {

// Controllers 4..32 set the 29 controls coarsely (controller 4 moves control 0);
// 36..64 refine them (14-bit) or step them (relative mode).
inline constexpr int kFirstCoarseController = 4;
inline constexpr int kLastCoarseController = 32;
inline constexpr int kFirstFineController = 36;
inline constexpr int kLastFineController = 64;

// Program changes 0..20 recall patch slots (0: the default patch); 30..37
// choose banks A..H.
inline constexpr int kLastSlotProgram = 20;
inline constexpr int kFirstBankProgram = 30;
inline constexpr int kLastBankProgram = 37;

}  // namespace kornmill
