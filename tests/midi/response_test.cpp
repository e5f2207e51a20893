// Response words: row packing and the dialog's edits, compaction at OK, dropping unusable stored
// rows, the note response word, the note pitch table and the monitor lines.
#include <gtest/gtest.h>

#include "midi/midi_config.h"
#include "midi/monitor_text.h"
#include "midi/response.h"

namespace kornmill {
namespace {

uint32_t Row(int source, int parameter, int from, int to) {
  return WithTo(WithFrom(WithParameter(WithSource(0, source), parameter), from), to);
}

TEST(ResponseRows, EditsSetTheirBits) {
  // "Veloc/Aftouch" (index 2, flags 4 + 8) on "Grain length" (4), from 25 to 90.
  const uint32_t w = Row(2, 4, 25, 90);
  EXPECT_EQ(w, 0x2C04195Au);
  const ExpressionRow r = UnpackRow(w);
  EXPECT_EQ(r.source, 2);
  EXPECT_EQ(r.flags, kSourceVelocity | kSourceAftertouch);
  EXPECT_EQ(r.parameter, 4);
  EXPECT_EQ(r.from, 25);
  EXPECT_EQ(r.to, 90);
  EXPECT_EQ(PackRow(r), w);
  // A new source replaces the old one's flags; From and To are clamped.
  EXPECT_EQ(UnpackRow(WithSource(w, 6)).flags, kSourceNote);
  EXPECT_EQ(UnpackRow(WithFrom(w, 250)).from, 100);
  EXPECT_EQ(UnpackRow(WithTo(w, -3)).to, 0);
  EXPECT_EQ(UnpackRow(WithFrom(w, 250)).to, 90);
}

TEST(ResponseRows, OkDropsIncompleteRowsAndMovesTheRestUp) {
  ResponseWords w{0x72D,
                  Row(1, 4, 0, 100),
                  Row(0, 4, 0, 100),   // source "None"
                  Row(3, 0, 10, 50),   // parameter "None"
                  Row(4, 7, 40, 40),   // From equals To
                  Row(6, 12, 100, 0),  // kept
                  0};
  CompactExpressionRows(w);
  EXPECT_EQ(w[0], 0x72Du);
  EXPECT_EQ(w[1], Row(1, 4, 0, 100));
  EXPECT_EQ(w[2], Row(6, 12, 100, 0));
  for (int i = 3; i < kResponseRows; ++i) EXPECT_EQ(w[i], 0u) << i;
}

TEST(ResponseRows, StoredRowsThatCannotBeUsedAreDropped) {
  EXPECT_TRUE(IsUsableRow(0));
  EXPECT_TRUE(IsUsableRow(Row(5, 12, 0, 100)));
  EXPECT_FALSE(IsUsableRow(WithSource(0, 1)));          // parameter "None"
  EXPECT_FALSE(IsUsableRow(Row(1, 4, 0, 100) + 0x7F));  // To above 100
  const uint32_t good = Row(1, 4, 0, 100);
  EXPECT_FALSE(IsUsableRow((good & ~0x000F0000u) | (13u << 16)));  // parameter 13
  EXPECT_FALSE(IsUsableRow((good & 0x0FFFFFFFu) | (7u << 28)));    // source 7
  EXPECT_FALSE(IsUsableRow((good & ~0x0F000000u) | (1u << 24)));   // another source's flags
  EXPECT_FALSE(IsUsableRow(Row(1, 4, 0, 100) | 0x80));  // an unused bit
  ResponseWords w{0x72D, WithSource(0, 1), Row(1, 4, 0, 100), 0xFFFFFFFF, Row(3, 10, 5, 6), 0, 0};
  EXPECT_EQ(DropUnusableRows(w), 2);
  EXPECT_EQ(w[1], Row(1, 4, 0, 100));
  EXPECT_EQ(w[2], Row(3, 10, 5, 6));
  EXPECT_EQ(w[3], 0u);
  EXPECT_EQ(w[0], 0x72Du);
}

TEST(NoteResponse, DecodeAndRebuild) {
  MidiConfig c;
  c.response[0] = kDefaultNoteResponse;
  DecodeNoteResponse(c);
  EXPECT_TRUE(c.note_to_pitch);
  EXPECT_EQ(c.stop_mode, kStopAtNoteOff);
  EXPECT_TRUE(c.restart_new);
  EXPECT_FALSE(c.restart_tied);
  EXPECT_TRUE(c.program_change);
  EXPECT_EQ(c.bend_range, 7);
  EXPECT_EQ(BuildNoteResponse(c), kDefaultNoteResponse);
  // Note to pitch off: bit 1 chooses stop mode 2, else 4. The range caps at 24.
  c.response[0] = kStopAtNewNoteBit | (31u << kBendRangeShift);
  DecodeNoteResponse(c);
  EXPECT_EQ(c.stop_mode, kStopAtNewNote);
  EXPECT_EQ(c.bend_range, 24);
  EXPECT_EQ(BuildNoteResponse(c), kStopAtNewNoteBit | (24u << kBendRangeShift));
  // Note to pitch forces stop mode 4 whatever bit 1 says.
  c.response[0] = kNoteToPitchBit | kStopAtNewNoteBit;
  DecodeNoteResponse(c);
  EXPECT_EQ(c.stop_mode, kStopAtNoteOff);
  c.response[0] = 0;
  DecodeNoteResponse(c);
  EXPECT_EQ(c.stop_mode, kStopAtNoteOff);
}

TEST(NoteResponse, MonitorFlags) {
  MidiConfig c;
  EXPECT_EQ(c.monitor_flags(), kDefaultMonitorFlags);
  c.set_monitor_flags(4);
  EXPECT_FALSE(c.move_sliders);
  EXPECT_FALSE(c.monitor);
  EXPECT_TRUE(c.relative_fine);
  EXPECT_EQ(c.monitor_flags(), 4u);
}

TEST(NotePitchTable, KnownNotesAndOrder) {
  EXPECT_EQ(kNotePitchTable[0], kNotePitchBottom);
  EXPECT_EQ(kNotePitchTable[60], 6144);
  EXPECT_EQ(kNotePitchTable[66], 8192);
  EXPECT_EQ(kNotePitchTable[72], 9830);
  EXPECT_EQ(kNotePitchTable[120], kNotePitchTop);
  EXPECT_EQ(kNotePitchTable[127], kNotePitchTop);
  for (int i = 1; i < kNotes; ++i) EXPECT_LE(kNotePitchTable[i - 1], kNotePitchTable[i]) << i;
}

TEST(MonitorText, LinesAndNames) {
  EXPECT_EQ(MonitorText(0x643C90), "MIDI input: Chn 1, Note on 60, 100");
  EXPECT_EQ(MonitorText(0x00408F), "MIDI input: Chn 16, Note off 64, 0");
  EXPECT_EQ(MonitorText(0x0007C3), "MIDI input: Chn 4, Program 7, 0");
  EXPECT_EQ(MonitorText(0x0000F8), "MIDI input: Chn 9, System 0, 0");
  EXPECT_EQ(MonitorText(0x007BB1), "MIDI input: Channel mode (ch 2), command: 123, 0");
  EXPECT_EQ(MonitorText(0x0079B1), "MIDI input: Chn 2, Control 121, 0");
  EXPECT_EQ(MonitorText(0x000040), "MIDI input: Chn 1, (Error?) 0, 0");
  EXPECT_EQ(MidiStatusName(0xA0), "Poly key");
  EXPECT_EQ(MidiStatusName(0xD5), "Aftertouch");
  EXPECT_EQ(MidiStatusName(0xE0), "Pitch bend");
}

}  // namespace
}  // namespace kornmill
