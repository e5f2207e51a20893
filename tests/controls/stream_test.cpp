// The stream table and the stream commands: start-up, input channels, test tone.
#include <gtest/gtest.h>

#include "builtin_sound.h"
#include "controls/stream.h"

namespace kornmill {
namespace {

TEST(Streams, StartUpCreatesOneActiveStreamOnTheSine) {
  Sound sine = test::BuiltinSoundStandIn();
  StreamTable streams;
  EXPECT_EQ(streams.count(), 0);
  streams.InitStreams(&sine);
  EXPECT_EQ(streams.count(), 1);
  const Stream& s = streams[0];
  EXPECT_EQ(s.state, kStreamActive);
  EXPECT_EQ(s.sound, &sine);
  EXPECT_EQ(s.input_mask, kInputLeft);
  EXPECT_EQ(s.onset_phase, 1u << 28);
  EXPECT_EQ(streams.change_time(), 64);
  for (int k = 0; k < kControls; ++k) EXPECT_EQ(s.controls[k].target, DefaultValue(k)) << k;
  EXPECT_EQ(s.controls[kPitch].midi_value, 6144);
}

TEST(Streams, TurningOffTheOnlyChannelSelectsTheOther) {
  Stream s;
  s.input_mask = kInputBoth;
  ToggleInputChannel(s, kInputLeft);
  EXPECT_EQ(s.input_mask, kInputRight);
  ToggleInputChannel(s, kInputRight);
  EXPECT_EQ(s.input_mask, kInputLeft);
  ToggleInputChannel(s, kInputLeft);
  EXPECT_EQ(s.input_mask, kInputRight);
  ToggleInputChannel(s, kInputLeft);
  EXPECT_EQ(s.input_mask, kInputBoth);
}

TEST(Streams, TestToneReleasesTheSoundAndKeepsItCached) {
  Sound sine = test::BuiltinSoundStandIn();
  StreamTable streams;
  streams.InitStreams(&sine);
  Sound file;
  file.use_count = 1;
  streams[0].sound = &file;
  streams[0].input_mask = kInputBoth;
  EXPECT_EQ(UseTestTone(streams[0], &sine), &file);
  EXPECT_EQ(file.use_count, -1);
  EXPECT_EQ(streams[0].sound, &sine);
  EXPECT_EQ(streams[0].input_mask, kInputLeft);
  EXPECT_EQ(UseTestTone(streams[0], &sine), nullptr);
  EXPECT_EQ(sine.use_count, 1);
}

}  // namespace
}  // namespace kornmill
