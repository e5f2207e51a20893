// The decoder's rules on a real stream: notes, pressure, bend, controllers, programs, system
// messages, the channel filter, the monitor and the mends of the response.
#include <gtest/gtest.h>

#include "decoder_fixture.h"

namespace kornmill::testing {
namespace {

constexpr int kNoteOn = 0x90;
constexpr int kNoteOff = 0x80;
constexpr int kControl = 0xB0;
constexpr int kProgram = 0xC0;
constexpr int kPressure = 0xD0;
constexpr int kPolyPressure = 0xA0;
constexpr int kBend = 0xE0;
constexpr int kMidiGlide = 4410;  // 12.8/64 s at 22050 Hz
constexpr int kPitchGlide = 220;  // 0.64/64 s

// An expression row: source, parameter, From, To.
uint32_t Row(int source, int parameter, int from, int to) {
  return WithTo(WithFrom(WithParameter(WithSource(0, source), parameter), from), to);
}

TEST_F(DecoderTest, VelocityAndPressureSpreadAround64) {
  const std::pair<int, int> velocities[] = {{64, 64}, {127, 128}, {1, 0}, {63, 62}, {65, 66}};
  for (auto [in, out] : velocities) {
    Send(kNoteOn, 60, in);
    EXPECT_EQ(decoder.performance().held_velocity, out) << in;
  }
  const std::pair<int, int> pressures[] = {{0, 0}, {127, 128}, {1, 0}, {64, 64}, {63, 62}};
  for (auto [in, out] : pressures) {
    Send(kPressure, in);
    EXPECT_EQ(decoder.performance().aftertouch, out) << in;
  }
  // Poly pressure counts only for the held key.
  Send(kPolyPressure, 61, 100);
  EXPECT_EQ(decoder.performance().aftertouch, 62);
  Send(kPolyPressure, 60, 100);
  EXPECT_EQ(decoder.performance().aftertouch, 101);
}

TEST_F(DecoderTest, CoarseControllersSetTargetsAndPositions) {
  // Controller 14 moves control 10, the grain length (13 .. 4096).
  Send(kControl, 14, 64);
  EXPECT_EQ(Control(kGrainLength).target, 13 + 65 * 4083 / 128);
  EXPECT_EQ(Control(kGrainLength).end_time, kMidiGlide);
  EXPECT_EQ(host.positions.at(kGrainLength), 2022);
  Send(kControl, 14, 63);
  EXPECT_EQ(Control(kGrainLength).target, 13 + 63 * 4083 / 128);
  EXPECT_EQ(host.positions.at(kGrainLength), 2086);
  // The extremes reach both ends of the range.
  Send(kControl, 14, 127);
  EXPECT_EQ(Control(kGrainLength).target, 4096);
  EXPECT_EQ(host.positions.at(kGrainLength), 13);
  Send(kControl, 14, 0);
  EXPECT_EQ(Control(kGrainLength).target, 13);
  EXPECT_EQ(decoder.coarse_value(0, kGrainLength), 13);
}

TEST_F(DecoderTest, ControllersOutsideTheTwoBlocksAreIgnored) {
  const auto before = streams[0].controls;
  for (int c : {0, 1, 2, 3, 33, 34, 35, 65, 100, 119, 121, 127}) Send(kControl, c, 90);
  for (int k = 0; k < kControls; ++k) EXPECT_EQ(Control(k).target, before[k].target) << k;
  EXPECT_TRUE(host.positions.empty());
  EXPECT_TRUE(host.plays.empty());
}

TEST_F(DecoderTest, FineControllersRefineTheCoarseValueIn14BitMode) {
  // Pitch: coarse step 256, fine step 2.
  Send(kControl, 17, 64);
  EXPECT_EQ(Control(kPitch).target, 256);
  Send(kControl, 49, 10);
  EXPECT_EQ(Control(kPitch).target, 276);
  EXPECT_EQ(host.positions.at(kPitch), -276);
  // A fine value that lands on the coarse value changes nothing.
  host.Clear();
  Send(kControl, 49, 0);
  EXPECT_EQ(Control(kPitch).target, 276);
  EXPECT_TRUE(host.positions.empty());
}

TEST_F(DecoderTest, RelativeFineStepsGrowWithTheirDistance) {
  config.relative_fine = true;
  const int start = Control(kPitch).target;  // 6144
  // Stopped: the steps build on the target.
  Send(kControl, 49, 64);  // d = 1: one fine step of 2
  EXPECT_EQ(Control(kPitch).target, start + 2);
  Send(kControl, 49, 64);
  EXPECT_EQ(Control(kPitch).target, start + 4);
  Send(kControl, 49, 63);  // d = -1: -2 steps
  EXPECT_EQ(Control(kPitch).target, start);
  Send(kControl, 49, 0);  // d = -64: -576 steps
  EXPECT_EQ(Control(kPitch).target, start - 1152);
  Send(kControl, 49, 127);  // d = 64
  EXPECT_EQ(Control(kPitch).target, start);
  // Playing: they build on the current (smoothed) value.
  host.is_playing = true;
  Send(kControl, 49, 64);
  Send(kControl, 49, 64);
  EXPECT_EQ(Control(kPitch).target, start + 2);
}

TEST_F(DecoderTest, PanIsMirroredAndRelativeStepsKeepItsSide) {
  Send(kControl, 31, 64);  // control 27: -256 + 65 × 4 = 4, mirrored
  EXPECT_EQ(Control(kPan).target, -4);
  EXPECT_EQ(host.positions.at(kPan), 4);
  config.relative_fine = true;
  Send(kControl, 63, 127);  // +576 fine steps of 1/32: 18
  EXPECT_EQ(Control(kPan).target, -22);
  Send(kControl, 63, 127);
  EXPECT_EQ(Control(kPan).target, -40);
  EXPECT_EQ(host.positions.at(kPan), 40);
}

TEST_F(DecoderTest, ChangeTimeControllerSetsTheChangeTime) {
  Send(kControl, 32, 127);
  EXPECT_EQ(streams.change_time(), 4096);
  EXPECT_EQ(Control(kChangeTime).target, 4096);
  Send(kControl, 32, 0);
  EXPECT_EQ(streams.change_time(), 1);
}

TEST_F(DecoderTest, NoteOffStopsInStopMode4AndOnlyForTheHeldKey) {
  host.is_playing = true;
  Send(kNoteOn, 60, 100);
  Send(kNoteOff, 61, 0);
  EXPECT_EQ(host.plays, std::vector<bool>({true}));
  Send(kNoteOn, 60, 0);  // a note on with velocity 0 is a note off
  EXPECT_EQ(host.plays, std::vector<bool>({true, false}));
  EXPECT_EQ(decoder.performance().held_note, -1);
  EXPECT_EQ(decoder.performance().held_velocity, -1);
  // Nothing is held any more: a second note off does nothing.
  Send(kNoteOff, 60, 0);
  EXPECT_EQ(host.plays.size(), 2u);
}

TEST_F(DecoderTest, StopMode2StopsAtTheNextNoteUnlessAStartIsPending) {
  SetNoteResponse(kStopAtNewNoteBit | kRestartNewNoteBit);
  ASSERT_EQ(config.stop_mode, kStopAtNewNote);
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(host.plays, std::vector<bool>({true}));
  // The window has not acted on the start yet: a second note starts too.
  host.is_playing = true;
  Send(kNoteOn, 62, 100);
  EXPECT_EQ(host.plays, std::vector<bool>({true, true}));
  decoder.PlayStartHandled();
  Send(kNoteOff, 62, 0);  // a note off does nothing in this mode
  Send(kNoteOn, 64, 100);
  EXPECT_EQ(host.plays, std::vector<bool>({true, true, false}));
  // During a soft stop a note brings the sound back.
  host.is_stopping = true;
  Send(kNoteOn, 65, 100);
  EXPECT_EQ(host.plays.back(), true);
}

TEST_F(DecoderTest, SystemRealTimeAndChannelModeStartAndStop) {
  Send(0xFA);
  EXPECT_EQ(host.plays, std::vector<bool>({true}));
  host.is_playing = true;
  Send(0xFA);  // already playing
  Send(0xFB);  // Continue always starts
  Send(0xFC);
  EXPECT_EQ(host.plays, std::vector<bool>({true, true, false}));
  host.is_stopping = true;
  Send(0xFA);  // Start while fading out starts again
  EXPECT_EQ(host.plays.back(), true);
  host.is_playing = host.is_stopping = false;
  host.Clear();
  Send(0xFC);
  Send(0xF8);
  Send(0xFE);
  Send(kControl, 120, 0);
  EXPECT_TRUE(host.plays.empty());
  // All sound off and all notes off stop playing.
  host.is_playing = true;
  Send(kControl, 120, 0);
  Send(kControl, 123, 0);
  EXPECT_EQ(host.plays, std::vector<bool>({false, false}));
}

TEST_F(DecoderTest, ProgramChangesRecallSlotsAndBanks) {
  Send(kProgram, 0);
  Send(kProgram, 20);
  Send(kProgram, 25);  // between the slots and the banks: nothing
  Send(kProgram, 33);  // bank D
  Send(kProgram, 38);
  EXPECT_EQ(host.programs, (std::vector<std::pair<int, int>>{{1400, 0}, {1420, 0}, {1603, 0}}));
  config.program_change = false;
  Send(kProgram, 1);
  EXPECT_EQ(host.programs.size(), 3u);
}

TEST_F(DecoderTest, ChannelFilter) {
  config.channel = 2;
  Send(kNoteOn, 60, 100);  // channel 1
  EXPECT_EQ(decoder.performance().held_note, -1);
  Send(kNoteOn + 1, 61, 100);  // channel 2
  EXPECT_EQ(decoder.performance().held_note, 61);
  // By stream: channel 1 is the first (and only) stream.
  config.channel = kChannelByStream;
  Send(kNoteOn + 1, 62, 100);
  EXPECT_EQ(decoder.performance().held_note, 61);
  Send(kNoteOn, 63, 100);
  EXPECT_EQ(decoder.performance().held_note, 63);
  EXPECT_EQ(decoder.performance().target_stream, 0);
}

TEST_F(DecoderTest, MonitorShowsARepeatedMessageOnce) {
  Send(0xF8);
  Send(0xF8);
  Send(0xF8);
  Send(kNoteOn, 60, 100);
  Send(0xF8);
  EXPECT_EQ(host.monitored, (std::vector<uint32_t>{0xF8, ShortMessage(kNoteOn, 60, 100), 0xF8}));
  config.monitor = false;
  Send(kNoteOn, 61, 100);
  EXPECT_EQ(host.monitored.size(), 3u);
}

TEST_F(DecoderTest, NoteSetsThePitchAndBendBendsIt) {
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(Control(kPitch).target, 6144);
  EXPECT_EQ(Control(kPitch).end_time, kPitchGlide);
  Send(kBend, 127, 127);
  EXPECT_EQ(Control(kPitch).target, 8508);
  EXPECT_EQ(host.positions.at(kPitch), -8508);
  Send(kNoteOn, 3, 100);
  Send(kBend, 0, 0);
  EXPECT_EQ(Control(kPitch).target, 1293);
  // Near the top the table's end stands for the notes above it.
  Send(kNoteOn, 125, 100);
  Send(kBend, 127, 127);
  EXPECT_EQ(Control(kPitch).target, 16384);
  // A negative pitch setting keeps its direction.
  streams[0].controls[kPitch].target = -100;
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(Control(kPitch).target, -8508);  // note 60, still bent fully up
}

TEST_F(DecoderTest, BendWithoutAHeldNoteLeavesThePitchAndStillDrivesRows) {
  config.response[1] = Row(4, 10, 0, 100);  // Pitchbend -> Attack
  const int pitch = Control(kPitch).target;
  Send(kBend, 127, 127);
  EXPECT_EQ(Control(kPitch).target, pitch);
  EXPECT_EQ(Control(kAttack).target, 256);
  Send(kBend, 0, 0);
  EXPECT_EQ(Control(kAttack).target, 0);
  // Half way up: (96 - 64) × 256 above the centre, which the row reads as 32 + 64 = 96 of 127.
  Send(kBend, 0, 96);
  EXPECT_EQ(Control(kAttack).target, 194);
}

TEST_F(DecoderTest, VelocityRowOnGrainLength) {
  config.response[1] = Row(1, 4, 0, 100);  // Velocity -> Grain length
  Send(kNoteOn, 60, 127);
  EXPECT_EQ(Control(kGrainLength).target, 4096);
  EXPECT_EQ(host.positions.at(kGrainLength), 13);
  Send(kNoteOn, 60, 64);
  EXPECT_EQ(Control(kGrainLength).target, 2054);
  // The posted position is min + max - value, also for a minimum above 0.
  EXPECT_EQ(host.positions.at(kGrainLength), 13 + 4096 - 2054);
}

TEST_F(DecoderTest, RowsOnANoteStopAtTheFirstEmptyRow) {
  config.response[1] = Row(1, 10, 0, 100);  // Velocity -> Attack
  config.response[3] = Row(1, 11, 0, 100);  // Velocity -> Decay, after an empty row
  Send(kNoteOn, 60, 127);
  EXPECT_EQ(Control(kAttack).target, 256);
  EXPECT_EQ(Control(kDecay).target, 128);
}

TEST_F(DecoderTest, AftertouchRowsNeedAHeldNote) {
  config.response[1] = Row(3, 12, 0, 100);  // Aftertouch -> Output amp
  const int amp = Control(kAmp).target;
  Send(kPressure, 127);
  EXPECT_EQ(Control(kAmp).target, amp);
  Send(kNoteOn, 60, 100);
  Send(kPressure, 127);
  EXPECT_EQ(Control(kAmp).target, 1024);
  Send(kPressure, 0);
  EXPECT_EQ(Control(kAmp).target, 0);
}

TEST_F(DecoderTest, NoteAndBendRowFollowsTheBendFromTheNote) {
  config.response[1] = Row(5, 10, 0, 100);  // Note/Pbend -> Attack
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(Control(kAttack).target, 120);  // m = 60
  Send(kBend, 0, 0);
  EXPECT_EQ(Control(kAttack).target, 0);  // bent down to 0
  Send(kBend, 127, 127);
  EXPECT_EQ(Control(kAttack).target, 254);  // bent up to 127
}

TEST_F(DecoderTest, RateRowKeepsTheDirectionOfTheRate) {
  config.response[1] = Row(1, 1, 0, 100);  // Velocity -> Sf rate
  Send(kNoteOn, 60, 127);
  EXPECT_EQ(Control(kRate).target, 8192);
  streams[0].controls[kRate].target = -4086;
  Send(kNoteOn, 60, 127);
  EXPECT_EQ(Control(kRate).target, -8192);
  EXPECT_EQ(host.positions.at(kRate), 8192);
}

TEST_F(DecoderTest, AStoredRowWithoutParameterIsSkipped) {
  config.response[1] = WithSource(0, 1);  // parameter "None"
  EXPECT_FALSE(decoder.MapMIDIresponse(kSourceVelocity, 1, 0));
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(host.plays, std::vector<bool>({true}));
}

TEST_F(DecoderTest, NoteStartWhileStoppedSnapsControlsAndRestartsTheLoop) {
  streams[0].controls[kAttack].target = 200;  // set while stopped, not yet heard
  streams[0].loop_position = 1234;
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(Control(kAttack).current, 200.0f);
  EXPECT_EQ(Control(kAttack).value, 200);
  EXPECT_EQ(streams[0].loop_position, 0);
  // A tied note while playing keeps the loop (restart on a tied note is off) ...
  host.is_playing = true;
  streams[0].loop_position = 99;
  Send(kNoteOn, 62, 100);
  EXPECT_EQ(streams[0].loop_position, 99);
  // ... unless that is asked for.
  SetNoteResponse(kDefaultNoteResponse | kRestartTiedNoteBit);
  Send(kNoteOn, 64, 100);
  EXPECT_EQ(streams[0].loop_position, 0);
  EXPECT_EQ(host.plays, std::vector<bool>({true, true, true}));
}

TEST_F(DecoderTest, ClockResetKeepsTheTimeAGlideHasLeft) {
  Render(100);
  ASSERT_EQ(engine.frame_clock(), 25600);
  Send(kControl, 27, 127);  // control 23, amplitude, to 1024 over 4410 frames
  ASSERT_EQ(Control(kAmp).end_time, 25600 + kMidiGlide);
  host.is_playing = true;
  Send(kNoteOn, 60, 100);  // not recording: the frame clock starts again
  EXPECT_EQ(engine.frame_clock(), 0);
  EXPECT_EQ(Control(kAmp).end_time, kMidiGlide);
  // 20 blocks later the glide has arrived, as it would have without the reset.
  Render(20);
  EXPECT_EQ(Control(kAmp).current, 1024.0f);
  // While recording the clock runs on.
  host.is_recording = true;
  Send(kNoteOn, 62, 100);
  EXPECT_EQ(engine.frame_clock(), 20 * 256);
}

TEST_F(DecoderTest, NoteStopShowsTheTargetsWhenSlidersDoNotMove) {
  config.move_sliders = false;
  host.is_playing = true;
  Send(kNoteOn, 60, 100);
  EXPECT_EQ(host.position_posts, 0);
  Send(kNoteOff, 60, 0);
  EXPECT_EQ(host.position_posts, kControls);
  EXPECT_EQ(host.positions.at(kPitch), -6144);
  EXPECT_EQ(host.positions.at(kAmp), 563);
}

TEST_F(DecoderTest, StrayBytesDoNothing) {
  const auto before = streams[0].controls;
  for (uint32_t m : {0x00u, 0x7F7F7Fu, 0x3C90u, 0xFFFFFFu, 0xF0u, 0xF7u}) decoder.MidiInProc(m);
  for (int k = 0; k < kControls; ++k) EXPECT_EQ(Control(k).target, before[k].target);
  EXPECT_TRUE(host.plays.empty());
}

}  // namespace
}  // namespace kornmill::testing
