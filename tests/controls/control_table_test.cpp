// The control table: defaults and MIDI scales (the scrollbar mapping is the scroll rule's).
#include <gtest/gtest.h>

#include "controls/control_table.h"

namespace kornmill {
namespace {

TEST(ControlTable, DefaultValuesAreMinPlusMaxMinusDefaultPosition) {
  const int expected[kControls] = {0, 0, 4096, 0, 4086, 174, 0,   6062, 0,   0, 324, 0, 0, 6144, 0,
                                   0, 0, 0,    0, 128,  0,   128, 0,    461, 0, 0,   0, 0, 64};
  for (int k = 0; k < kControls; ++k) EXPECT_EQ(DefaultValue(k), expected[k]) << k;
}

TEST(ControlTable, MidiScalesAndStartValues) {
  const MidiScales m = ComputeMidiScales();
  EXPECT_EQ(m.coarse[kRate], 16384 * 0.0078125f);
  EXPECT_EQ(m.fine[kRate], 16384 * 0.0078125f * 0.0078125f);
  EXPECT_EQ(m.coarse[kChangeTimeControl], 4095 * 0.0078125f);
  const auto v = MidiStartValues(m);
  EXPECT_EQ(v[kLoopLength], 4064);          // 4096/128 × 127
  EXPECT_EQ(v[kRate], -8192 + 128 * 96);    // 4096
  EXPECT_EQ(v[kPitch], -16384 + 256 * 88);  // 6144: unit pitch
  EXPECT_EQ(v[kAmp], 464);                  // 8 × 58
  EXPECT_EQ(v[kChangeTimeControl], 64);     // 1 + 31.99 × 2
}

}  // namespace
}  // namespace kornmill
