// The control table: defaults, scrollbar mapping and MIDI scales.
#include <gtest/gtest.h>

#include "controls/control_table.h"

namespace kornmill {
namespace {

TEST(ControlTable, DefaultValuesAreMinPlusMaxMinusDefaultPosition) {
  const int expected[kControls] = {0, 0, 4096, 0, 4086, 174, 0,   6062, 0,   0, 324, 0, 0, 6144, 0,
                                   0, 0, 0,    0, 128,  0,   128, 0,    461, 0, 0,   0, 0, 64};
  for (int k = 0; k < kControls; ++k) EXPECT_EQ(DefaultValue(k), expected[k]) << k;
}

TEST(ControlTable, TheTopOfAScrollbarGivesTheMaximum) {
  const ControlRow& rate = kControlTable[kRate];
  EXPECT_EQ(ValueFromPosition(rate, rate.minimum), rate.maximum);
  EXPECT_EQ(ValueFromPosition(rate, rate.maximum), rate.minimum);
  EXPECT_EQ(PositionFromValue(rate, 4086), -4086);
  // The pan position: thumb left gives positive values (left).
  const ControlRow& pan = kControlTable[kPan];
  EXPECT_EQ(ValueFromPosition(pan, -256), 256);
}

TEST(ControlTable, DefaultsGiveUnitRateAndTwentyGrainsOfATenthOfASecond) {
  EXPECT_DOUBLE_EQ(DefaultValue(kRate) / (6000.0 - 11.0 * DefaultValue(kRateRange)), 1.0);
  EXPECT_NEAR(DefaultValue(kGrainFreq) * 35.0 / (16670 - DefaultValue(kGrainFreq)), 20.0, 0.001);
  EXPECT_NEAR(DefaultValue(kGrainLength) * DefaultValue(kGrainLength) / 1048576.0, 0.1001, 0.0001);
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
