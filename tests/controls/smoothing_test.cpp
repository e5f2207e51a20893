// Glides: duration, step, the control updates that advance them, and their arrival.
#include <gtest/gtest.h>

#include "builtin_sound.h"
#include "controls/stream.h"

namespace kornmill {
namespace {

constexpr uint32_t kOutputRate = 44100;
constexpr int32_t kUpdateFrames = 104;  // the engine's control update: every 13 steps of 8 frames

class Smoothing : public ::testing::Test {
 protected:
  void SetUp() override { streams.InitStreams(&sine); }
  ControlRecord& control(int k) { return streams[0].controls[k]; }
  // Runs the control updates due up to frame-clock time `until`, from frame 0 on.
  void UpdateUntil(int32_t until) {
    for (; clock <= until; clock += kUpdateFrames) AdvanceGlides(streams[0], clock);
  }
  Sound sine = test::BuiltinSoundStandIn();
  StreamTable streams;
  int32_t clock = 0;
};

TEST_F(Smoothing, AChangeGlidesOverTheChangeTime) {
  SetControlTarget(streams, kAmp, 1000, false, kOutputRate, 0);
  const ControlRecord& c = control(kAmp);
  EXPECT_EQ(c.target, 1000);
  EXPECT_EQ(c.end_time, 44100);  // one second at the default change time of 64
  const float step = static_cast<float>(539.0 / (44100 / 100.0));
  EXPECT_EQ(c.step, step);
  // Each update adds the step in double and stores float32.
  float expected = 461.0f;
  // Every update with at least 100 frames left steps (the last at 43992).
  for (int32_t t = 0; t <= 44000; t += kUpdateFrames) {
    UpdateUntil(t);
    expected = static_cast<float>(double(expected) + double(step));
    ASSERT_EQ(c.current, expected) << t;
    ASSERT_EQ(c.value, static_cast<int>(expected)) << t;
  }
  EXPECT_LT(c.current, 1000.0f);  // the step is per 100 frames, the update every 104
  UpdateUntil(44100);             // the update at 44096 has 4 frames left: arrival
  EXPECT_EQ(c.current, 1000.0f);
  EXPECT_EQ(c.value, 1000);
}

TEST_F(Smoothing, TheStepDividesByTheHundredthsOfTheDurationInDouble) {
  // At 22050 Hz the glide lasts 22050 frames: 220.5 hundreds, not 220.
  SetControlTarget(streams, kAmp, 1000, false, 22050, 0);
  EXPECT_EQ(control(kAmp).end_time, 22050);
  EXPECT_EQ(control(kAmp).step, static_cast<float>(539.0 / 220.5));
}

TEST_F(Smoothing, CtrlMakesAQuickChangeOfSixSixtyFourthsOfASecond) {
  SetControlTarget(streams, kAmp, 100, true, kOutputRate, 0);
  EXPECT_EQ(control(kAmp).end_time, static_cast<int>(44100 * 6 * 0.015625));
}

TEST_F(Smoothing, ScrollingToTheCurrentValueChangesNothing) {
  ControlRecord before = control(kRate);
  SetControlTarget(streams, kRate, 4086, false, kOutputRate, 0);
  EXPECT_EQ(control(kRate).end_time, before.end_time);
  EXPECT_EQ(control(kRate).target, before.target);
  EXPECT_EQ(control(kRate).step, before.step);
}

TEST_F(Smoothing, TheChangeTimeControlNeverGlides) {
  SetControlTarget(streams, kChangeTimeControl, 128, false, kOutputRate, 0);
  EXPECT_EQ(streams.change_time(), 128);
  EXPECT_EQ(control(kChangeTimeControl).end_time, 0);
  SetControlTarget(streams, kAmp, 0, false, kOutputRate, 0);
  EXPECT_EQ(control(kAmp).end_time, 88200);  // later changes take two seconds
  // Back to 64 is a change too.
  SetControlTarget(streams, kChangeTimeControl, 64, false, kOutputRate, 0);
  EXPECT_EQ(streams.change_time(), 64);
  // Nor do the control updates move it.
  ControlRecord& c = control(kChangeTimeControl);
  c.end_time = 1000;
  c.step = 5.0f;
  UpdateUntil(500);
  EXPECT_EQ(c.current, 0.0f);
}

TEST_F(Smoothing, AGlideArrivesAtTheFirstUpdateWithFewerThan100FramesLeft) {
  UpdateUntil(208);
  ControlRecord& c = control(kAmp);
  c.target = 500;
  c.end_time = 312 + 100;  // the update at 312 has exactly 100 frames left: one more step
  c.step = 1.0f;
  UpdateUntil(312);
  EXPECT_EQ(c.current, 462.0f);
  UpdateUntil(416);  // 0 frames left
  EXPECT_EQ(c.current, 500.0f);
  EXPECT_EQ(c.value, 500);
  // A glide that ended between two updates arrives at the next one, at 520.
  c.target = 600;
  c.end_time = 450;
  UpdateUntil(520);
  EXPECT_EQ(c.current, 600.0f);
  EXPECT_EQ(c.value, 600);
}

TEST_F(Smoothing, PlaySnapsTheGrainControlsToTheirTargets) {
  SetControlTarget(streams, kAttack, 30, false, kOutputRate, 5000);
  SnapControlsToTargets(streams[0]);
  EXPECT_EQ(control(kAttack).current, 30.0f);
  EXPECT_EQ(control(kAttack).value, 30);
  EXPECT_EQ(control(kAttack).end_time, 0);
}

TEST(Glide, MidiGlideDurationAndStep) {
  ControlRecord c;
  c.current = 100;
  SetControlGlide(c, 300, 12.8f, 44100, 1000);
  EXPECT_EQ(c.target, 300);
  EXPECT_EQ(c.end_time, 1000 + 8820);  // 0.2 s
  EXPECT_EQ(c.step, static_cast<float>(200.0 * 100 / 8820));
  SetControlGlide(c, 50, 0.0f, 44100, 1000);
  EXPECT_EQ(c.step, 0.0f);
  EXPECT_EQ(c.end_time, 1000);
}

}  // namespace
}  // namespace kornmill
