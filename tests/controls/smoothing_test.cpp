// Glides: duration, step, arrival, and the control update that drives them.
#include <gtest/gtest.h>

#include "controls/stream.h"
#include "engine/engine.h"

namespace kornmill {
namespace {

class Smoothing : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.SetOutputFormat(44100, true, 256);
    streams.InitStreams(&engine.sine());
    engine.PrepareForPlay(streams, true);
    out.resize(512);
  }
  ControlRecord& control(int k) { return streams[0].controls[k]; }
  void RenderBlocks(int n) {
    for (int i = 0; i < n; ++i) engine.RenderNextBlock(out.data(), streams);
  }
  Engine engine;
  StreamTable streams;
  std::vector<float> out;
};

TEST_F(Smoothing, AChangeGlidesOverTheChangeTime) {
  SetControlTarget(streams, kAmp, 1000, false, 44100, engine.frame_clock());
  const ControlRecord& c = control(kAmp);
  EXPECT_EQ(c.target, 1000);
  EXPECT_EQ(c.end_time, 44100);  // one second at the default change time of 64
  EXPECT_EQ(c.step, static_cast<float>(539.0 / (44100 / 100.0)));
  RenderBlocks(44100 / 256 / 2);  // half way
  EXPECT_GT(c.current, 600.0f);
  EXPECT_LT(c.current, 800.0f);
  RenderBlocks(44100 / 256 / 2 + 2);
  EXPECT_EQ(c.current, 1000.0f);
  EXPECT_EQ(c.value, 1000);
}

TEST_F(Smoothing, CtrlMakesAQuickChangeOfSixSixtyFourthsOfASecond) {
  SetControlTarget(streams, kAmp, 100, true, 44100, engine.frame_clock());
  EXPECT_EQ(control(kAmp).end_time, static_cast<int>(44100 * 6 * 0.015625));
}

TEST_F(Smoothing, ScrollingToTheCurrentValueChangesNothing) {
  ControlRecord before = control(kRate);
  SetControlTarget(streams, kRate, 4086, false, 44100, 0);
  EXPECT_EQ(control(kRate).end_time, before.end_time);
  EXPECT_EQ(control(kRate).target, before.target);
  EXPECT_EQ(control(kRate).step, before.step);
}

TEST_F(Smoothing, TheChangeTimeControlStartsNoGlide) {
  SetControlTarget(streams, kChangeTimeControl, 128, false, 44100, 0);
  EXPECT_EQ(streams.change_time(), 128);
  EXPECT_EQ(control(kChangeTimeControl).end_time, 0);
  SetControlTarget(streams, kAmp, 0, false, 44100, 0);
  EXPECT_EQ(control(kAmp).end_time, 88200);  // later changes take two seconds
  // Back to 64 is a change too.
  SetControlTarget(streams, kChangeTimeControl, 64, false, 44100, 0);
  EXPECT_EQ(streams.change_time(), 64);
}

TEST_F(Smoothing, AGlideReachesItsTargetAtTheFirstUpdateWithFewerThan100FramesLeft) {
  RenderBlocks(1);  // updates at 0, 104, 208
  // A glide ending 50 frames after the next update (at 312).
  ControlRecord& c = control(kAmp);
  c.target = 500;
  c.end_time = 312 + 50;
  c.step = 1.0f;
  RenderBlocks(1);  // updates at 312, 416
  EXPECT_EQ(c.current, 500.0f);
}

TEST_F(Smoothing, AGlideThatEndsBetweenTwoUpdatesStillArrives) {
  RenderBlocks(1);  // last update at 208, next at 312
  ControlRecord& c = control(kAmp);
  c.target = 600;
  c.end_time = 250;  // already past at the next update
  c.step = 1.0f;
  RenderBlocks(1);
  EXPECT_EQ(c.current, 600.0f);
  EXPECT_EQ(c.value, 600);
}

TEST_F(Smoothing, PlaySnapsTheGrainControlsToTheirTargets) {
  SetControlTarget(streams, kAttack, 30, false, 44100, 5000);
  engine.PrepareForPlay(streams, true);
  EXPECT_EQ(control(kAttack).current, 30.0f);
  EXPECT_EQ(control(kAttack).value, 30);
  EXPECT_EQ(control(kAttack).end_time, 0);
  EXPECT_EQ(engine.frame_clock(), 0);
  EXPECT_EQ(streams[0].onset_phase, 1u << 28);
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
