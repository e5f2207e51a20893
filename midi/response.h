// MIDI response rows: the source and parameter lists, the packing of a row, validation and compaction.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kornmill {

// Seven 32-bit words: row 0 says how notes act (note response), rows 1 to 6
// map a MIDI quantity onto a grain parameter (expression rows).
inline constexpr int kResponseRows = 7;
inline constexpr int kExpressionRows = 6;
using ResponseWords = std::array<uint32_t, kResponseRows>;

// Source flags of an expression row (bits 24 to 27 of the word, shifted down).
enum SourceFlag : uint32_t {
  kSourceNote = 1,
  kSourceBend = 2,
  kSourceVelocity = 4,
  kSourceAftertouch = 8,
};

struct ResponseSource {
  std::string_view text;
  uint32_t flags;
};
struct ResponseParameter {
  std::string_view text;
  int control;  // control index 0 .. 28, or -1 for "None"
};

// The lists of the response dialog, by index.
inline constexpr int kSourceCount = 7;
inline constexpr int kParameterCount = 13;
extern const std::array<ResponseSource, kSourceCount> kResponseSources;
extern const std::array<ResponseParameter, kParameterCount> kResponseParameters;

// An expression row taken apart.
struct ExpressionRow {
  int to = 0;         // per cent, bits 0..6
  int from = 0;       // per cent, bits 8..14
  int parameter = 0;  // index into kResponseParameters, bits 16..19
  uint32_t flags = 0; // source flags, bits 24..27
  int source = 0;     // index into kResponseSources, bits 28..31
};

inline constexpr uint32_t kRowToMask = 0x7Fu;
inline constexpr int kRowFromShift = 8;
inline constexpr int kRowParameterShift = 16;
inline constexpr int kRowFlagsShift = 24;
inline constexpr int kRowSourceShift = 28;
inline constexpr int kPercentMax = 100;

ExpressionRow UnpackRow(uint32_t word);
uint32_t PackRow(const ExpressionRow& row);

// The dialog's edits of one word: choosing a source sets bits 24..31 to the
// entry's flags and index; choosing a parameter sets bits 16..19; From and To
// take a number clamped to 0 .. 100.
uint32_t WithSource(uint32_t word, int source_index);
uint32_t WithParameter(uint32_t word, int parameter_index);
uint32_t WithFrom(uint32_t word, long long percent);
uint32_t WithTo(uint32_t word, long long percent);
int ClampPercent(long long percent);

// A stored row is usable when it is empty (0) or names a listed source with
// that source's flags, a parameter other than "None", From and To within
// 0 .. 100, and nothing in the unused bits.
bool IsUsableRow(uint32_t word);

// OK of the response dialog: a row is kept when it has a source, a parameter
// and From differs from To; kept rows move up, the places left become 0.
void CompactExpressionRows(ResponseWords& words);

// Reading stored words: unusable rows are dropped (the user is not asked:
// such a row can only come from a damaged or hand-edited store) and the rest
// move up. Returns the number of rows dropped.
int DropUnusableRows(ResponseWords& words);

// The pitch-control value for each MIDI note: note 60 gives 6144 (unit
// pitch), note 66 gives 8192.
inline constexpr int kNotes = 128;
extern const std::array<int16_t, kNotes> kNotePitchTable;
// What the table stands for outside its ends (bending below note 0, above 127).
inline constexpr int kNotePitchBottom = 1293;
inline constexpr int kNotePitchTop = 16384;

}  // namespace kornmill
