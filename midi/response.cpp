// The response lists, row packing, the dialog's row edits, validation, compaction and the note
// pitch table.
#include "midi/response.h"

#include <algorithm>

#include "controls/control_table.h"

namespace kornmill {

const std::array<ResponseSource, kSourceCount> kResponseSources = {{
    {"None", 0},
    {"Velocity", kSourceVelocity},
    {"Veloc/Aftouch", kSourceVelocity | kSourceAftertouch},
    {"Aftertouch", kSourceAftertouch},
    {"Pitchbend", kSourceBend},
    {"Note/Pbend", kSourceNote | kSourceBend},
    {"Note value", kSourceNote},
}};

const std::array<ResponseParameter, kParameterCount> kResponseParameters = {{
    {"None", -1},
    {"Sf rate", kRate},
    {"AM --> Sf rate", kRateAm},
    {"Grain freq", kGrainFreq},
    {"Grain length", kGrainLength},
    {"Rand --> Pitch", kPitchRnd},
    {"AM --> Pitch", kPitchAm},
    {"Glissando", kGliss},
    {"Rand --> Gliss", kGlissRnd},
    {"AM --> Gliss", kGlissAm},
    {"Attack", kAttack},
    {"Decay", kDecay},
    {"Output amp", kAmp},
}};

namespace {
constexpr uint32_t kNibble = 0xFu;
constexpr uint32_t kSourceByteMask = 0xFFu << kRowFlagsShift;
constexpr uint32_t kParameterMask = kNibble << kRowParameterShift;
constexpr uint32_t kFromMask = kRowToMask << kRowFromShift;
// Bits no edit ever sets: 7, 15 and 20 to 23.
constexpr uint32_t kUnusedBits = 0x00F08080u;
}  // namespace

ExpressionRow UnpackRow(uint32_t word) {
  ExpressionRow r;
  r.to = static_cast<int>(word & kRowToMask);
  r.from = static_cast<int>((word >> kRowFromShift) & kRowToMask);
  r.parameter = static_cast<int>((word >> kRowParameterShift) & kNibble);
  r.flags = (word >> kRowFlagsShift) & kNibble;
  r.source = static_cast<int>((word >> kRowSourceShift) & kNibble);
  return r;
}

uint32_t PackRow(const ExpressionRow& r) {
  return (static_cast<uint32_t>(r.to) & kRowToMask) |
         ((static_cast<uint32_t>(r.from) & kRowToMask) << kRowFromShift) |
         ((static_cast<uint32_t>(r.parameter) & kNibble) << kRowParameterShift) |
         ((r.flags & kNibble) << kRowFlagsShift) |
         ((static_cast<uint32_t>(r.source) & kNibble) << kRowSourceShift);
}

int ClampPercent(long long percent) {
  return static_cast<int>(std::clamp<long long>(percent, 0, kPercentMax));
}

uint32_t WithSource(uint32_t word, int source_index) {
  const int i = std::clamp(source_index, 0, kSourceCount - 1);
  const uint32_t byte = kResponseSources[static_cast<size_t>(i)].flags |
                        (static_cast<uint32_t>(i) << (kRowSourceShift - kRowFlagsShift));
  return (word & ~kSourceByteMask) | (byte << kRowFlagsShift);
}

uint32_t WithParameter(uint32_t word, int parameter_index) {
  const int i = std::clamp(parameter_index, 0, kParameterCount - 1);
  return (word & ~kParameterMask) | (static_cast<uint32_t>(i) << kRowParameterShift);
}

uint32_t WithFrom(uint32_t word, long long percent) {
  return (word & ~kFromMask) | (static_cast<uint32_t>(ClampPercent(percent)) << kRowFromShift);
}

uint32_t WithTo(uint32_t word, long long percent) {
  return (word & ~kRowToMask) | static_cast<uint32_t>(ClampPercent(percent));
}

bool IsUsableRow(uint32_t word) {
  if (word == 0) return true;
  if (word & kUnusedBits) return false;
  const ExpressionRow r = UnpackRow(word);
  return r.source >= 1 && r.source < kSourceCount &&
         r.flags == kResponseSources[static_cast<size_t>(r.source)].flags && r.parameter >= 1 &&
         r.parameter < kParameterCount && r.from <= kPercentMax && r.to <= kPercentMax;
}

namespace {

// Moves the rows that `keep` accepts up in order and zeroes the rest.
template <class Keep>
int MoveUp(ResponseWords& words, Keep keep) {
  int out = 1;
  int dropped = 0;
  for (int i = 1; i < kResponseRows; ++i) {
    const uint32_t w = words[static_cast<size_t>(i)];
    if (keep(w)) {
      words[static_cast<size_t>(out++)] = w;
    } else if (w != 0) {
      ++dropped;
    }
  }
  for (; out < kResponseRows; ++out) words[static_cast<size_t>(out)] = 0;
  return dropped;
}

}  // namespace

void CompactExpressionRows(ResponseWords& words) {
  MoveUp(words, [](uint32_t w) {
    const ExpressionRow r = UnpackRow(w);
    return (w >> kRowFlagsShift) != 0 && r.parameter != 0 && r.from != r.to;
  });
}

int DropUnusableRows(ResponseWords& words) {
  return MoveUp(words, [](uint32_t w) { return w != 0 && IsUsableRow(w); });
}

const std::array<int16_t, kNotes> kNotePitchTable = {
    1293,  1311,  1328,  1347,  1365,  1385,  1404,  1425,  1446,  1467,  1489,  1512,  1536,
    1560,  1586,  1611,  1638,  1666,  1695,  1725,  1755,  1787,  1820,  1855,  1890,  1928,
    1966,  2006,  2048,  2092,  2137,  2185,  2234,  2286,  2341,  2398,  2458,  2521,  2587,
    2657,  2729,  2809,  2891,  2979,  3072,  3171,  3277,  3390,  3511,  3641,  3781,  3932,
    4096,  4274,  4468,  4681,  4915,  5174,  5461,  5783,  6144,  6520,  6881,  7228,  7562,
    7883,  8192,  8490,  8777,  9054,  9322,  9581,  9830,  10072, 10306, 10533, 10752, 10965,
    11171, 11371, 11565, 11754, 11937, 12115, 12288, 12456, 12620, 12780, 12935, 13086, 13233,
    13377, 13517, 13653, 13787, 13912, 14043, 14167, 14288, 14407, 14522, 14635, 14746, 14854,
    14959, 15063, 15164, 15263, 15360, 15455, 15548, 15639, 15729, 15816, 15902, 15986, 16069,
    16150, 16229, 16307, 16384, 16384, 16384, 16384, 16384, 16384, 16384, 16384};

}  // namespace kornmill
