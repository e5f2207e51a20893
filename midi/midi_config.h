// The MIDI configuration record: device, channel, monitor flags and the response words.
#pragma once

#include <cstdint>

#include "midi/response.h"

namespace kornmill {

// Bits of the note response (row 0).
inline constexpr uint32_t kNoteToPitchBit = 1;      // "Note value --> Pitch"
inline constexpr uint32_t kStopAtNewNoteBit = 2;    // "New Note on"
inline constexpr uint32_t kStopAtNoteOffBit = 4;    // "(Untied) Note off"
inline constexpr uint32_t kRestartNewNoteBit = 8;   // "New note"
inline constexpr uint32_t kRestartTiedNoteBit = 16; // "Tied note"
inline constexpr uint32_t kProgramChangeBit = 32;   // "Use MIDI Program Change"
inline constexpr int kBendRangeShift = 8;           // bits 8..12: semitones
inline constexpr uint32_t kBendRangeMask = 0x1F;
inline constexpr int kMaxBendRange = 24;
// Note to pitch, stop at note off, restart on a new note, program change, 7 semitones.
inline constexpr uint32_t kDefaultNoteResponse = 0x72D;

// Stop modes: when a playing sound stops.
inline constexpr int kStopAtNewNote = 2;
inline constexpr int kStopAtNoteOff = 4;

// Channel setting 0: each message's channel selects the stream by number.
inline constexpr int kChannelByStream = 0;
inline constexpr int kMaxChannel = 16;
// The device selection "None".
inline constexpr int kNoMidiDevice = -1;

// Monitor flags as stored: bit 0 move sliders, bit 1 monitor input, bit 2
// relative fine controllers.
inline constexpr uint32_t kMonitorMoveSliders = 1;
inline constexpr uint32_t kMonitorInput = 2;
inline constexpr uint32_t kMonitorRelativeFine = 4;
inline constexpr uint32_t kDefaultMonitorFlags = 3;

// The MIDI settings of the program. A plain value: the dialogs copy it whole
// and put the copy back on OK. Main thread only.
struct MidiConfig {
  int32_t device = 0;  // index into the device list, kNoMidiDevice for none
  int32_t channel = kChannelByStream;
  bool move_sliders = true;    // MIDI changes move the on-screen scrollbars
  bool monitor = true;         // each message is shown in the status bar
  bool relative_fine = false;  // fine controllers 36..64 step relatively
  ResponseWords response{kDefaultNoteResponse, 0, 0, 0, 0, 0, 0};

  // Decoded from response[0] (DecodeNoteResponse), live while playing.
  bool note_to_pitch = true;
  int stop_mode = kStopAtNoteOff;
  bool restart_new = true;
  bool restart_tied = false;
  bool program_change = true;
  int bend_range = 7;

  uint32_t monitor_flags() const;
  void set_monitor_flags(uint32_t flags);
};

// Fills the decoded fields from response[0]: note to pitch forces stop mode
// 4; otherwise bit 1 gives stop mode 2, else 4. The bend range is capped at 24.
void DecodeNoteResponse(MidiConfig& c);
// The note response word from the decoded fields (the dialog's OK).
uint32_t BuildNoteResponse(const MidiConfig& c);

}  // namespace kornmill
