// Slots and banks: captions, names, store and recall with the modifier keys, selection, bank use.
#include <gtest/gtest.h>

#include "controls/control_table.h"
#include "patch_test_util.h"
#include "patches/bank_names.h"
#include "patches/bank_table.h"
#include "resources/ids.h"

namespace kornmill::testing {
namespace {

constexpr uint32_t kOutputRate = 44100;

TEST(BankNames, SlotCaptionsFollowTheMnemonicRule) {
  EXPECT_EQ(SlotCaption(3, false, false), "Slot 3");
  EXPECT_EQ(SlotCaption(20, false, true), "Slot 20");
  EXPECT_EQ(SlotCaption(1, true, false), "Patch &1");
  EXPECT_EQ(SlotCaption(9, true, true), "Patch &9*");
  EXPECT_EQ(SlotCaption(10, true, false), "Patch 1&0");
  EXPECT_EQ(SlotCaption(10, true, true), "Patch 1&0*");
  EXPECT_EQ(SlotCaption(11, true, false), "Patch 11");
  EXPECT_EQ(SlotCaption(20, true, true), "Patch 20*");
}

TEST(BankNames, TypedAndFileNamesStayInsideTheFolder) {
  EXPECT_EQ(FilterBankName("my:bank?"), "mybank");
  EXPECT_EQ(FilterBankName("a\"b*c?d\\e/f<g>h:i"), "abcdefghi");
  // File names also lose leading dots and control characters, and are cut to 64 characters.
  EXPECT_EQ(SafeBankFileName("../../x"), "x");
  EXPECT_EQ(SafeBankFileName(".hidden"), "hidden");
  EXPECT_EQ(SafeBankFileName("..."), "");
  EXPECT_EQ(SafeBankFileName("a\nb\tc"), "abc");
  EXPECT_EQ(SafeBankFileName("v1.2"), "v1.2");
  EXPECT_EQ(SafeBankFileName(std::string(100, 'x')), std::string(64, 'x'));
  // 64 characters of two bytes each: never cut inside one.
  std::string umlauts;
  for (int i = 0; i < 70; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(SafeBankFileName(umlauts), umlauts.substr(0, 128));
  EXPECT_EQ(BankFilePath("/p/Patches", "../../etc/x"), "/p/Patches/etcx.kpb");
  EXPECT_EQ(BankFilePath("/p/Patches/", "Drones"), "/p/Patches/Drones.kpb");
  EXPECT_EQ(BaseNameOf("/a/b/Drones.kpb"), "Drones");
  EXPECT_EQ(BaseNameOf("/a/b/.kpb"), ".kpb");
  EXPECT_EQ(FolderOf("/a/b/Drones.kpb"), "/a/b/");
  EXPECT_TRUE(SameBankName("Drones", "dRONES"));
  EXPECT_FALSE(SameBankName("Drones", "Drone"));
}

TEST(BankNames, RenameFiltersRewritesAndMarksTheEdit) {
  PatchBank bank;
  auto r = bank.Rename("Bank Name?");
  EXPECT_TRUE(r.clear_box);
  EXPECT_EQ(bank.dirty(), kBankSaved);
  r = bank.Rename("Gra:ins?");
  EXPECT_TRUE(r.changed && r.rewrite);
  EXPECT_EQ(bank.name(), "Grains");
  EXPECT_EQ(bank.dirty(), kBankNameEdited);
  EXPECT_TRUE(bank.renamed());
  bank.set_dirty(kBankSaved);
  r = bank.Rename("Grains");
  EXPECT_FALSE(r.changed || r.rewrite);
  EXPECT_EQ(bank.dirty(), kBankSaved);
}

class BankTableTest : public ::testing::Test {
 protected:
  GlideTiming Timing() const { return {kOutputRate, 1000, streams.streams.change_time()}; }
  int Click(int slot, int modifiers) {
    return banks.ClickSlot(streams.stream(), slot, modifiers, Timing());
  }
  StreamFixture streams;
  BankTable banks;
};

TEST_F(BankTableTest, ShiftClickStoresTargetsAndCountsTheSlotOnce) {
  streams.Set(kGrainFreq, 9000, 7000.4f);
  streams.Set(kPan, -100, -100);
  EXPECT_EQ(Click(3, kModShift), kNoticeStoredPatch);
  const PatchBank& a = banks.bank(0);
  EXPECT_EQ(a.patch_count(), 1);
  EXPECT_EQ(a.dirty(), kBankPatchesChanged);
  const PatchSlot& slot = a.slot(3);
  EXPECT_TRUE(slot.stored() && slot.changed());
  EXPECT_EQ(slot.sound_name, "sifter_sine");
  EXPECT_EQ(slot.values[kGrainFreq], 9000);
  EXPECT_EQ(slot.values[kPan], -100);  // the store records the pan position
  EXPECT_EQ(slot.values[kRate], DefaultValue(kRate));
  EXPECT_EQ(Click(3, kModShift), kNoticeStoredPatch);
  EXPECT_EQ(a.patch_count(), 1);
  EXPECT_EQ(banks.current_slot(), 3);
  EXPECT_EQ(banks.patch_source_bank(), 0);
  EXPECT_EQ(streams.stream().patch_slot, 3);
}

TEST_F(BankTableTest, ShiftCtrlClickStoresWhatIsHeard) {
  streams.Set(kGrainFreq, 9000, 7000.5f);
  streams.Set(kAmp, 100, 99.4f);
  EXPECT_EQ(Click(5, kModShift | kModCtrl), kNoticeStoredPatch);
  EXPECT_EQ(banks.bank(0).slot(5).values[kGrainFreq], 7001);
  EXPECT_EQ(banks.bank(0).slot(5).values[kAmp], 99);
}

TEST_F(BankTableTest, RecallGlidesEveryControlButThePanPosition) {
  streams.Set(kGrainFreq, 9000, 9000);
  streams.Set(kPan, 200, 200);
  Click(1, kModShift);
  streams.Set(kGrainFreq, 3000, 3000);
  streams.Set(kPan, -50, -50);
  EXPECT_EQ(Click(1, 0), kNoticeRestoredPatch);
  const ControlRecord& freq = streams.stream().controls[kGrainFreq];
  EXPECT_EQ(freq.target, 9000);
  EXPECT_EQ(freq.end_time, 1000 + 44100);  // the change time, one second
  EXPECT_EQ(streams.stream().controls[kPan].target, -50);
  // Ctrl: 0.1 s whatever the change time.
  streams.streams.set_change_time(640);
  streams.Set(kGrainFreq, 3000, 3000);
  EXPECT_EQ(Click(1, kModCtrl), kNoticeRestoredPatch);
  EXPECT_EQ(freq.end_time, 1000 + 4410);
  EXPECT_FLOAT_EQ(freq.step, 6000.0f / 44.1f);
}

TEST_F(BankTableTest, EmptySlotsAndTheDefaultPatch) {
  Click(2, kModShift);
  EXPECT_EQ(Click(4, 0), kNoticeEmptySlot);
  // An empty slot leaves the selection and the stream's patch alone.
  EXPECT_EQ(banks.current_slot(), 2);
  EXPECT_EQ(streams.stream().patch_slot, 2);
  EXPECT_EQ(banks.PressedSlot(), 2);
  streams.Set(kGrainFreq, 100, 100);
  EXPECT_EQ(Click(kDefaultSlot, 0), kNoticeDefaultPatch);
  EXPECT_EQ(streams.stream().controls[kGrainFreq].target, DefaultValue(kGrainFreq));
  EXPECT_EQ(banks.PressedSlot(), kDefaultSlot);
  // Shift on the default patch changes nothing, nor does a slot that does not exist.
  EXPECT_EQ(Click(kDefaultSlot, kModShift), 0);
  EXPECT_EQ(Click(21, 0), 0);
  EXPECT_EQ(banks.ApplySlot(streams.stream(), 8, 1, 0, Timing()), 0);
  EXPECT_EQ(streams.stream().patch_slot, kDefaultSlot);
  EXPECT_EQ(banks.default_patch().values[kGrainFreq], DefaultValue(kGrainFreq));
  EXPECT_EQ(banks.default_patch().extra_value, 64);
}

TEST_F(BankTableTest, ClearPatchEmptiesOnlyTheStoredSelectedSlot) {
  Click(2, kModShift);
  Click(6, kModShift);
  EXPECT_EQ(banks.ClearPatch(), kNoticeDeletedPatch);
  EXPECT_EQ(banks.bank(0).patch_count(), 1);
  EXPECT_FALSE(banks.bank(0).slot(6).stored());
  EXPECT_EQ(banks.current_slot(), kNoSlot);
  EXPECT_EQ(banks.ClearPatch(), 0);
  // A selection that names a slot emptied by Close clears nothing.
  Click(2, 0);
  banks.bank(0).Clear();
  EXPECT_EQ(banks.current_slot(), 2);
  EXPECT_EQ(banks.ClearPatch(), 0);
  EXPECT_EQ(banks.bank(0).patch_count(), 0);
  EXPECT_EQ(banks.bank(0).dirty(), kBankSaved);
}

TEST_F(BankTableTest, ShowBankSaysWhichStreamsUseIt) {
  banks.set_current_bank(2);
  Click(4, kModShift);
  EXPECT_EQ(banks.ShowBank(2, streams.streams), "Bank is used by stream 1");
  EXPECT_EQ(banks.current_slot(), 4);
  EXPECT_EQ(banks.ShowBank(3, streams.streams), "Bank is not used by any stream");
  EXPECT_EQ(banks.current_slot(), kNoSlot);
  EXPECT_EQ(banks.PressedSlot(), kNoSlot);
  EXPECT_EQ(banks.ShowBank(2, streams.streams), "Bank is used by stream 1");
  EXPECT_EQ(banks.PressedSlot(), 4);
  // The default patch belongs to no bank and stays pressed everywhere.
  Click(kDefaultSlot, 0);
  EXPECT_EQ(banks.ShowBank(2, streams.streams), "Bank is not used by any stream");
  EXPECT_EQ(banks.ShowBank(5, streams.streams), "Bank is not used by any stream");
  EXPECT_EQ(banks.PressedSlot(), kDefaultSlot);
}

TEST_F(BankTableTest, StoredPatchesAndCodesForTheGestureWindow) {
  banks.set_current_bank(2);
  Click(1, kModShift);
  Click(7, kModShift);
  banks.set_current_bank(0);
  Click(20, kModShift);
  const auto stored = banks.StoredPatches();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0].bank, 0);
  EXPECT_EQ(stored[0].slot, 20);
  EXPECT_EQ(stored[0].code, 256 + 19);
  EXPECT_EQ(stored[1].code, 3 * 256 + 0);
  EXPECT_EQ(stored[2].code, 3 * 256 + 6);
  EXPECT_EQ(banks.PatchOfCode(stored[2].code), &banks.bank(2).slot(7));
  EXPECT_EQ(banks.PatchOfCode(0), &banks.default_patch());
  EXPECT_EQ(banks.PatchOfCode(3 * 256 + 1), nullptr);  // C2 is empty
  EXPECT_EQ(banks.PatchOfCode(9 * 256), nullptr);
  EXPECT_EQ(banks.PatchOfCode(256 + 25), nullptr);
}

}  // namespace
}  // namespace kornmill::testing
