// The scroll rule: tables of start positions, actions and modifiers against the new position and
// value.
#include <gtest/gtest.h>

#include "controls/scroll_rule.h"

namespace kornmill {
namespace {

constexpr ScrollModifiers kNone{};
constexpr ScrollModifiers kShift{true, false};
constexpr ScrollModifiers kCtrl{false, true};

struct Case {
  int k;         // control
  int position;  // where the scrollbar stands
  ScrollAction action;
  int tracked;  // thumb-track position
  ScrollModifiers modifiers;
  int want_position;
  int want_value;
};

void Check(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "control " << c.k << " from " << c.position << " tracked " << c.tracked);
    const std::optional<ScrollMove> move =
        ScrollControl(kControlTable[c.k], c.position, c.action, c.tracked, c.modifiers);
    ASSERT_TRUE(move.has_value());
    EXPECT_EQ(move->position, c.want_position);
    EXPECT_EQ(move->value, c.want_value);
    EXPECT_EQ(move->quick, c.modifiers.ctrl);
  }
}

TEST(ScrollRule, LinesAndPagesMoveByOneAndByFive) {
  Check({
      // The rate (-8192 .. 8192) at its default position -4086, value 4086.
      {kRate, -4086, ScrollAction::kLineUp, 0, kNone, -4087, 4087},
      {kRate, -4086, ScrollAction::kLineDown, 0, kNone, -4085, 4085},
      {kRate, -4086, ScrollAction::kPageUp, 0, kNone, -4091, 4091},
      {kRate, -4086, ScrollAction::kPageDown, 0, kNone, -4081, 4081},
      // The change time (1 .. 4096): a page down from one second.
      {kChangeTimeControl, 4033, ScrollAction::kPageDown, 0, kNone, 4038, 59},
      // The pan (-256 .. 256): up is left, positive.
      {kPan, 0, ScrollAction::kLineUp, 0, kNone, -1, 1},
      {kPan, 0, ScrollAction::kPageDown, 0, kNone, 5, -5},
  });
}

TEST(ScrollRule, EveryStepIsClampedToTheRowsRange) {
  Check({
      // Loop start (0 .. 4096): the bottom is value 0, the top value 4096.
      {kLoopStart, 4096, ScrollAction::kPageDown, 0, kNone, 4096, 0},
      {kLoopStart, 4093, ScrollAction::kPageDown, 0, kNone, 4096, 0},
      {kLoopStart, 4096, ScrollAction::kLineDown, 0, kNone, 4096, 0},
      {kLoopStart, 0, ScrollAction::kLineUp, 0, kNone, 0, 4096},
      {kLoopStart, 2, ScrollAction::kPageUp, 0, kNone, 0, 4096},
      {kLoopStart, 4091, ScrollAction::kPageUp, 0, kNone, 4086, 10},
      {kPan, -300, ScrollAction::kLineDown, 0, kNone, -256, 256},
      {kChangeTimeControl, 1, ScrollAction::kLineUp, 0, kNone, 1, 4096},
  });
}

TEST(ScrollRule, ThumbTrackingGoesToTheTrackedPositionReadAs16Bits) {
  Check({
      {kLoopLength, 0, ScrollAction::kThumbTrack, 1024, kNone, 1024, 3072},
      {kGrainFreq, 10347, ScrollAction::kThumbTrack, 25 + 16384 - 2084, kNone, 14325, 2084},
      {kPan, 0, ScrollAction::kThumbTrack, 128, kNone, 128, -128},
      {kPan, 0, ScrollAction::kThumbTrack, 65535, kNone, -1, 1},          // 0xFFFF is -1
      {kPan, 0, ScrollAction::kThumbTrack, 65536 + 7, kNone, 7, -7},      // high bits dropped
      {kLoopStart, 0, ScrollAction::kThumbTrack, 40000, kNone, 0, 4096},  // -25536, clamped
      {kRate, 0, ScrollAction::kThumbTrack, -9000, kNone, -8192, 8192},
  });
}

TEST(ScrollRule, ShiftWithAnyHandledActionGoesToTheDefault) {
  Check({
      {kRate, -4121, ScrollAction::kLineDown, 0, kShift, -4086, 4086},
      {kRate, 100, ScrollAction::kThumbTrack, 5000, kShift, -4086, 4086},
      {kAmp, 568, ScrollAction::kPageUp, 0, kShift, 563, 461},
      {kLoopStart, 0, ScrollAction::kPageUp, 0, kShift, 4096, 0},
      {kChangeTimeControl, 9, ScrollAction::kLineUp, 0, kShift, 4033, 64},
  });
}

TEST(ScrollRule, CtrlMakesTheChangeQuickWithoutMovingDifferently) {
  Check({{kPitch, -6144, ScrollAction::kLineUp, 0, kCtrl, -6145, 6145},
         {kPitch, -6144, ScrollAction::kPageDown, 0, ScrollModifiers{true, true}, -6144, 6144}});
}

TEST(ScrollRule, OtherActionsAreNotHandledEvenWithShift) {
  EXPECT_FALSE(ScrollControl(kControlTable[kRate], 0, ScrollAction::kOther, 0, kNone));
  EXPECT_FALSE(ScrollControl(kControlTable[kRate], 0, ScrollAction::kOther, 0, kShift));
}

}  // namespace
}  // namespace kornmill
