// The value texts of the controls and the stream's texts.
#include <gtest/gtest.h>

#include "builtin_sound.h"
#include "controls/stream.h"
#include "controls/texts.h"

namespace kornmill {
namespace {

class Texts : public ::testing::Test {
 protected:
  void SetUp() override { streams.InitStreams(&sine); }
  ValueTexts For(int k, int target) {
    streams[0].controls[k].target = target;
    return ControlValueTexts(streams[0], k, streams.change_time());
  }
  Sound sine = test::BuiltinSoundStandIn();
  StreamTable streams;
};

TEST_F(Texts, ValueTextsOfOneControlAtATime) {
  const struct {
    int k;
    int target;
    const char* part2;
  } rows[] = {
      // The defaults, as the instrument starts.
      {kRate, 4086, "1:1.0000"},
      {kGrainFreq, 6062, "20.000 per sec"},
      {kGrainLength, 324, "0.1001 secs"},
      {kPitch, 6144, "+0.000 semitones"},
      {kPan, 0, "Middle"},
      // The grain frequency carries the tempo only from a third to five per second.
      {kGrainFreq, 2084, "5.000 per sec (300.00 bpm)"},
      {kGrainFreq, 2400, "5.000 per sec (300.00 bpm)"},
      {kGrainFreq, 2500, "6.000 per sec"},
      {kGrainFreq, 300, "1 per 1.559 sec (38.49 bpm)"},
      {kGrainFreq, 157, "1 per 3.005 sec (19.97 bpm)"},  // 0.33277 per second
      {kGrainFreq, 156, "1 per 3.025 sec"},              // 0.33063 per second
      {kGrainFreq, 100, "1 per 4.734 sec"},  // 0.211 per second
      {kPan, 128, "50.0% left"},
      {kPan, -64, "25.0% right"},
      {kPan, 256, "100.0% left"},
      // The pitch in semitones, or as a rate far below four octaves down.
      {kPitch, 16384, "+60.000 semitones"},
      {kPitch, -6144, "+0.000 semitones, reverse"},
      {kPitch, 0, "+0.000 semitones"},
      {kPitch, 4096, "-8.000 semitones"},  // e = 0.6, x = 1 - 1/e
      {kPitch, 100, "0.012 rate"},
      {kLoopStartRnd, 128, "50.00 %"},
      {kRateAm, -256, "-50.00 %"},
      {kGliss, 512, "+12.000 semitones"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(For(r.k, r.target).part2, r.part2) << r.k << " at " << r.target;
  EXPECT_EQ(For(kGrainFreq, 6062).part3, "Density: 2.002");
  EXPECT_EQ(For(kGrainFreq, 100).part3, "Density: 0.021");
  EXPECT_FALSE(For(kLoopStartRnd, 128).part3.has_value());
  EXPECT_EQ(ChangeTimeText(64), "  \xC3\xAE  parm chng time: 1.00 s");
}

TEST_F(Texts, EnvelopeAndAmplitudeShowTheAdjustedAmplitude) {
  For(kAttack, 128);
  For(kDecay, 128);
  const ValueTexts t = For(kAmp, 512);
  EXPECT_EQ(t.part2, "100.00 %");
  EXPECT_EQ(t.part3, "A/D adj. amp: 100.000 %");
  For(kAttack, 256);
  EXPECT_EQ(For(kDecay, 256).part3, "A/D adj. amp: 25.000 %");  // full overlap
}

TEST_F(Texts, LoopTextsAndTheLockedLoop) {
  // The built-in sine never shows "Loop locked".
  EXPECT_FALSE(For(kRate, 0).part3.has_value());
  Sound file = sine;
  file.builtin = false;
  file.frame_count = 441000;
  file.frame_rate = 44100;
  streams[0].sound = &file;
  EXPECT_EQ(For(kRate, 0).part3, "Loop locked");
  EXPECT_EQ(For(kRate, 4086).part3, "Length/rate: 10.000 sec");
  const ValueTexts loop = For(kLoopStart, 2048);
  EXPECT_EQ(loop.part2, "Start: 5.000 s; Len: 10.000 s");
  EXPECT_EQ(loop.part3, "Length/rate: 10.000 sec");
  For(kRate, 0);
  EXPECT_FALSE(For(kLoopLength, 2048).part3.has_value());  // start/length leave part 3 alone
}

TEST_F(Texts, ChangeTimeGoesToItsOwnItemAndClearsPartTwo) {
  streams.set_change_time(128);
  const ValueTexts t = ControlValueTexts(streams[0], kChangeTimeControl, 128);
  EXPECT_EQ(t.part2, "");
  EXPECT_EQ(t.change_time_text, "  \xC3\xAE  parm chng time: 2.00 s");
}

TEST_F(Texts, WindowTitleStatusAndTabLabels) {
  EXPECT_EQ(WindowTitle(streams[0]), "Kornmill");
  EXPECT_EQ(StreamStatusText(streams[0], false), "Stream uses Built-in 110 Hz sine, default patch");
  Sound file;
  file.path = "/home/me/sounds/bell.wav";
  file.name = "bell.wav";
  streams[0].sound = &file;
  EXPECT_EQ(WindowTitle(streams[0]), "bell.wav - Sifter chops it");
  streams[0].patch_bank = 2;
  streams[0].patch_slot = 4;
  EXPECT_EQ(StreamStatusText(streams[0], true), "Stream uses bell.wav, bank C, patch 4");
  EXPECT_EQ(StreamStatusText(streams[0], false), "Stream uses bell.wav, patch N/A");
  EXPECT_EQ(StreamTabLabel(1, 0), "Stream 1");
  EXPECT_EQ(StreamTabLabel(-2, 0), "Stream 1  [  ]");
  EXPECT_EQ(StreamTabLabel(-1, 1), "Stream 2  [  ]");
  EXPECT_EQ(StreamTabLabel(2, 0), "Stream 1  [S]");
  EXPECT_EQ(StreamTabLabel(7, 0), "Stream 1?");
}

}  // namespace
}  // namespace kornmill
