// The pad's mix in the engine: only at a control tick, only while active, without allocating.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/control_table.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "patches/bank_table.h"
#include "patches/gesture_mixer.h"

#include "../allocation_counter.h"

namespace kornmill::testing {
namespace {

constexpr uint32_t kRate = 44100;
constexpr GestureRect kPad = {0, 0, 393, 334};
// 6.4 units of 1/64 s at 44100 Hz.
constexpr int32_t kGlideFrames = 4410;

// An engine playing the built-in sine, four stored patches in bank B (slots
// 1 .. 4, each a different sound) at the pad's corners, and the pad's mixer.
struct GestureRig {
  explicit GestureRig(int block_frames) {
    engine.SetOutputFormat(kRate, true, block_frames);
    streams.InitStreams(&engine.sine());
    StorePatch(1, {{kGrainFreq, 12000}, {kGrainLength, 400}, {kPitch, -2000}});
    StorePatch(2, {{kGrainFreq, 3000}, {kGrainLength, 2500}, {kAmp, 900}, {kPanRnd, 200}});
    StorePatch(3, {{kPitch, 5000}, {kGliss, 800}, {kAttack, 20}, {kDecay, 240}});
    StorePatch(4, {{kGrainFreq, 16000}, {kGrainLength, 60}, {kPan, -200}, {kAmp, 300}});
    // The stream starts from the default patch again.
    for (int k = 0; k < kGrainControls; ++k) streams[0].controls[k].target = DefaultValue(k);
    mixer = std::make_unique<GestureMixer>(banks, streams, engine);
    mixer->set_active_source([this] { return active; });
    for (int c = 0; c < kGestureCorners; ++c) mixer->set_corner(c, BankTable::PatchCode(1, c + 1));
    geometry = GesturePadGeometry::OfPad(kPad);
    mixer->set_mix_rect(geometry.mix);
    mixer->PlaceMarker(geometry.start);
    engine.set_gesture_mix(mixer.get());
    out.assign(static_cast<size_t>(block_frames) * 2, 0.0f);
  }
  ~GestureRig() { engine.set_gesture_mix(nullptr); }

  void StorePatch(int slot, std::initializer_list<std::pair<int, int>> values) {
    for (int k = 0; k < kGrainControls; ++k) streams[0].controls[k].target = DefaultValue(k);
    for (const auto& [k, v] : values) streams[0].controls[k].target = v;
    banks.ApplySlot(streams[0], 1, slot, kModShift, GlideTiming{kRate, 0, 64});
  }
  GestureValues Targets() const {
    GestureValues t{};
    for (int k = 0; k < kGrainControls; ++k) t[size_t(k)] = streams[0].controls[k].target;
    return t;
  }
  void Block() { engine.RenderNextBlock(out.data(), streams); }
  // The mix of the four stored patches with the marker at `marker`.
  GestureValues Mix(GesturePoint marker) const {
    const PatchBank& b = banks.bank(1);
    return ApplyGestureMix(
        {&b.slot(1).values, &b.slot(2).values, &b.slot(3).values, &b.slot(4).values}, marker,
        geometry.mix);
  }

  Engine engine;
  StreamTable streams;
  BankTable banks;
  std::unique_ptr<GestureMixer> mixer;
  GesturePadGeometry geometry;
  bool active = true;
  std::vector<float> out;
};

TEST(GestureMixer, MovingTheMarkerWhileNotActiveChangesNoTarget) {
  GestureRig rig(256);
  rig.active = false;
  const GestureValues before = rig.Targets();
  rig.engine.PrepareForPlay(rig.streams, true);
  rig.mixer->MoveMarker(rig.geometry.MarkerAt({300, 40}));
  for (int b = 0; b < 20; ++b) rig.Block();
  EXPECT_EQ(rig.Targets(), before);
  // The move stays flagged: once the pad is active, the next tick mixes it.
  EXPECT_TRUE(rig.mixer->moved());
  rig.active = true;
  rig.Block();
  EXPECT_EQ(rig.Targets(), rig.mixer->Targets());
  EXPECT_FALSE(rig.mixer->moved());
}

TEST(GestureMixer, AMixReachesTheStreamOnlyAtAControlTickAndGlidesInATenthOfASecond) {
  GestureRig rig(8);  // one step per block: the ticks fall on blocks 1, 14, 27, ...
  rig.engine.PrepareForPlay(rig.streams, true);
  rig.Block();
  const GestureValues before = rig.Targets();
  // Several moves between two ticks: the last one counts.
  rig.mixer->MoveMarker(rig.geometry.MarkerAt({300, 40}));
  for (int step = 1; step < 7; ++step) rig.Block();
  const GesturePoint to = rig.geometry.MarkerAt({120, 280});
  rig.mixer->MoveMarker(to);
  for (int step = 7; step < 13; ++step) rig.Block();
  EXPECT_EQ(rig.Targets(), before);
  EXPECT_TRUE(rig.mixer->moved());
  const int32_t tick = rig.engine.frame_clock();
  rig.Block();
  const GestureValues expected = rig.Mix(to);
  EXPECT_NE(expected, before);
  EXPECT_EQ(rig.Targets(), expected);
  EXPECT_FALSE(rig.mixer->moved());
  for (int k = 0; k < kGrainControls; ++k) {
    EXPECT_EQ(rig.streams[0].controls[k].end_time, tick + kGlideFrames) << k;
  }
  // The change time (control 28) is not the pad's.
  EXPECT_EQ(rig.streams[0].controls[kChangeTime].target, DefaultValue(kChangeTime));
}

TEST(GestureMixer, ACornerWhosePatchIsGoneMixesTheDefaultPatch) {
  GestureRig rig(256);
  rig.mixer->set_corner(kTopLeft, BankTable::PatchCode(5, 9));  // F9: empty
  rig.mixer->PlaceMarker(rig.geometry.MarkerAt({0, 0}));
  rig.mixer->Apply();
  EXPECT_EQ(rig.Targets(), rig.banks.default_patch().values);
}

TEST(GestureMixer, MixingAtTheControlTickAllocatesNothing) {
  GestureRig rig(256);
  // Corners that change pitch and envelope but not how many grains sound, so
  // that the grain pool, which grows between blocks, keeps its size.
  for (int c : {kTopLeft, kBottomLeft}) rig.mixer->set_corner(c, 0);
  for (int c : {kTopRight, kBottomRight}) rig.mixer->set_corner(c, BankTable::PatchCode(1, 3));
  rig.engine.PrepareForPlay(rig.streams, true);
  for (int b = 0; b < 8; ++b) rig.Block();  // the stream's block and the grain pool are sized
  for (int b = 0; b < 40; ++b) {
    rig.mixer->MoveMarker(rig.geometry.MarkerAt({20 + 9 * b, 300 - 7 * b}));
    counting = true;
    rig.Block();
    counting = false;
    EXPECT_FALSE(rig.mixer->moved());
  }
  EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
}  // namespace kornmill::testing
