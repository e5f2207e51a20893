// Decoding and rebuilding the note response word; the stored monitor flags.
#include "midi/midi_config.h"

#include <algorithm>

namespace kornmill {

uint32_t MidiConfig::monitor_flags() const {
  return (move_sliders ? kMonitorMoveSliders : 0) | (monitor ? kMonitorInput : 0) |
         (relative_fine ? kMonitorRelativeFine : 0);
}

void MidiConfig::set_monitor_flags(uint32_t flags) {
  move_sliders = (flags & kMonitorMoveSliders) != 0;
  monitor = (flags & kMonitorInput) != 0;
  relative_fine = (flags & kMonitorRelativeFine) != 0;
}

void DecodeNoteResponse(MidiConfig& c) {
  const uint32_t w = c.response[0];
  c.note_to_pitch = (w & kNoteToPitchBit) != 0;
  if (c.note_to_pitch) {
    c.stop_mode = kStopAtNoteOff;
  } else {
    c.stop_mode = (w & kStopAtNewNoteBit) ? kStopAtNewNote : kStopAtNoteOff;
  }
  c.restart_new = (w & kRestartNewNoteBit) != 0;
  c.restart_tied = (w & kRestartTiedNoteBit) != 0;
  c.program_change = (w & kProgramChangeBit) != 0;
  c.bend_range =
      std::min(static_cast<int>((w >> kBendRangeShift) & kBendRangeMask), kMaxBendRange);
}

uint32_t BuildNoteResponse(const MidiConfig& c) {
  const uint32_t range = static_cast<uint32_t>(std::clamp(c.bend_range, 0, kMaxBendRange));
  return (range << kBendRangeShift) + (c.program_change ? kProgramChangeBit : 0) +
         (c.restart_tied ? kRestartTiedNoteBit : 0) + (c.restart_new ? kRestartNewNoteBit : 0) +
         static_cast<uint32_t>(c.stop_mode) + (c.note_to_pitch ? kNoteToPitchBit : 0);
}

}  // namespace kornmill
