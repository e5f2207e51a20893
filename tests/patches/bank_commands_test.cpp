// The bank commands: Load, Save, Close and the exit's saving, with their questions and notices.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "controls/control_table.h"
#include "patch_test_util.h"
#include "patches/bank_commands.h"
#include "patches/bank_file.h"
#include "patches/bank_table.h"
#include "patches/patch_bank_io.h"
#include "patches/session_patches.h"
#include "resources/ids.h"

namespace kornmill::testing {
namespace {

class BankCommandsTest : public ::testing::Test {
 protected:
  BankCommandsTest() : commands(banks, streams.streams, prompts, folder.path) {}

  void Store(int bank, int slot) {
    banks.set_current_bank(bank);
    banks.ClickSlot(streams.stream(), slot, kModShift, GlideTiming{44100, 0, 64});
  }
  std::string Path(const std::string& name) const { return folder.path + name + ".kpb"; }

  TempFolder folder;
  ScriptedPrompts prompts;
  StreamFixture streams;
  BankTable banks;
  BankCommands commands;
};

TEST_F(BankCommandsTest, SaveAsksForANameThenWrites) {
  Store(0, 1);
  BankCommandResult r = commands.Save();
  EXPECT_EQ(r.notice, kNoticeNameBank);
  EXPECT_TRUE(r.name_wanted);
  banks.bank(0).Rename("Pads");
  r = commands.Save();
  EXPECT_EQ(r.notice, kNoticeSavedBank);
  EXPECT_TRUE(std::filesystem::exists(Path("Pads")));
  EXPECT_EQ(commands.Save().notice, kNoticeNothingToSave);
}

TEST_F(BankCommandsTest, CloseAsksSavesAndEmptiesTheBank) {
  Store(0, 2);
  banks.bank(0).Rename("Pads");
  prompts.answers = {PatchPrompts::kCancel, PatchPrompts::kYes};
  EXPECT_TRUE(commands.Close().cancelled);
  EXPECT_EQ(banks.bank(0).patch_count(), 1);
  const BankCommandResult r = commands.Close();
  EXPECT_EQ(prompts.questions[0].title, "Save the patches!");
  EXPECT_EQ(prompts.questions[0].text, "Do you want to save Pads before closing bank?");
  EXPECT_EQ(r.notice, kNoticeClosedBank);
  EXPECT_EQ(r.bank_text, "Bank is used by stream 1");  // the stream still names slot 2
  EXPECT_EQ(banks.bank(0).patch_count(), 0);
  EXPECT_EQ(banks.bank(0).name(), "");
  EXPECT_TRUE(std::filesystem::exists(Path("Pads")));
  // An unnamed bank is asked about as "changes"; a save then wants a name.
  Store(0, 1);
  prompts.answers = {PatchPrompts::kYes};
  const BankCommandResult unnamed = commands.Close();
  EXPECT_EQ(prompts.questions[2].text, "Do you want to save changes before closing bank?");
  EXPECT_EQ(unnamed.notice, kNoticeNameBank);
  EXPECT_EQ(banks.bank(0).patch_count(), 1);
}

TEST_F(BankCommandsTest, LoadReadsIntoTheShownBankAndMovesThePatchFolder) {
  TempFolder other;
  WriteBankFile(other.path, "Far", 1, "far");
  banks.set_current_bank(3);
  prompts.chosen = other.path + "Far.kpb";
  const BankCommandResult r = commands.Load();
  EXPECT_EQ(prompts.chooser_folders, std::vector<std::string>{folder.path});
  EXPECT_EQ(commands.patch_folder(), other.path);
  EXPECT_EQ(banks.bank(3).name(), "Far");
  EXPECT_EQ(banks.bank(3).slot(1).sound_name, "far");
  EXPECT_EQ(r.notice, 0);
  EXPECT_EQ(r.bank_text, "Bank is not used by any stream");
  EXPECT_TRUE(prompts.questions.empty());
  // A broken file leaves the bank as it was and the panel unchanged.
  WriteAll(other.path + "Broken.kpb", {'K', 'b', 'n', 'k', 100, 0, 0, 0, 5, 0, 0, 0, 1, 2});
  prompts.chosen = other.path + "Broken.kpb";
  EXPECT_FALSE(commands.Load().bank_text.has_value());
  EXPECT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(banks.bank(3).name(), "Far");
  EXPECT_EQ(banks.bank(3).patch_count(), 1);
}

TEST_F(BankCommandsTest, LoadingAFileNamedLikeAnUnchangedBankOnlySwitchesToIt) {
  WriteBankFile(folder.path, "Drones", 2);
  ASSERT_TRUE(ReadPatchBank(Path("Drones"), banks.bank(5), 5, std::string("Drones"), prompts));
  Store(1, 1);
  banks.bank(1).set_dirty(kBankSaved);
  prompts.chosen = folder.path + "drones.kpb";
  const BankCommandResult r = commands.Load();
  EXPECT_EQ(banks.current_bank(), 5);
  EXPECT_FALSE(r.bank_text.has_value());
  EXPECT_EQ(banks.bank(1).patch_count(), 1);
  // The same bank with unsaved changes: asked whether to revert it.
  Store(5, 9);
  banks.set_current_bank(1);
  prompts.chosen = Path("Drones");
  prompts.oks = {true};
  const BankCommandResult revert = commands.Load();
  EXPECT_EQ(prompts.questions.back().title, "Load patch bank");
  EXPECT_EQ(prompts.questions.back().text, "Revert Drones to saved file?");
  EXPECT_EQ(revert.notice, kNoticeLoadedBank);
  EXPECT_EQ(banks.current_bank(), 5);
  EXPECT_EQ(banks.bank(5).patch_count(), 2);
  EXPECT_FALSE(banks.bank(5).has_changes());
}

TEST_F(BankCommandsTest, LoadAsksAboutUnsavedChangesFirst) {
  WriteBankFile(folder.path, "Next", 1);
  Store(0, 1);
  prompts.answers = {PatchPrompts::kCancel};
  EXPECT_TRUE(commands.Load().cancelled);
  EXPECT_TRUE(prompts.chooser_folders.empty());
  // Yes on an unnamed bank: the save wants a name and the load is abandoned.
  prompts.answers = {PatchPrompts::kYes};
  const BankCommandResult r = commands.Load();
  EXPECT_EQ(prompts.questions[1].text, "Do you want to save changes before loading a new bank?");
  EXPECT_EQ(r.notice, kNoticeNameBank);
  EXPECT_TRUE(prompts.chooser_folders.empty());
  // No: the bank is replaced by the file.
  prompts.answers = {PatchPrompts::kNo};
  prompts.chosen = Path("Next");
  commands.Load();
  EXPECT_EQ(banks.bank(0).name(), "Next");
  EXPECT_FALSE(banks.bank(0).has_changes());
}

TEST_F(BankCommandsTest, ExitSavesBanksInOrderAndStopsAtACancelledQuestion) {
  WriteBankFile(folder.path, "Taken", 1);
  Store(0, 1);
  banks.bank(0).Rename("Alpha");
  Store(1, 1);
  banks.bank(1).Rename("Taken");  // another bank's file: asked before overwriting
  Store(2, 1);
  banks.bank(2).Rename("Gamma");
  MemorySession session;
  prompts.oks = {false};
  EXPECT_FALSE(commands.SaveAtExit(&session));
  EXPECT_TRUE(std::filesystem::exists(Path("Alpha")));
  EXPECT_FALSE(banks.bank(0).has_changes());
  EXPECT_EQ(session.values, (std::map<char, std::string>{{'A', "Alpha"}}));
  EXPECT_TRUE(banks.bank(1).has_changes());
  EXPECT_TRUE(banks.bank(2).has_changes());
  EXPECT_FALSE(std::filesystem::exists(Path("Gamma")));
  EXPECT_EQ(ReadAll(Path("Taken")).size(), 12 + 8 + 2 + 4 * 28);
  // Agreed the second time: everything saved and recorded.
  prompts.oks = {true};
  EXPECT_TRUE(commands.SaveAtExit(&session));
  EXPECT_EQ(session.values,
            (std::map<char, std::string>{{'A', "Alpha"}, {'B', "Taken"}, {'C', "Gamma"}}));
}

TEST_F(BankCommandsTest, ExitNamesOnlyUnnamedBanksByTheirLetter) {
  Store(3, 2);  // bank D, unnamed
  WriteBankFile(folder.path, "Emptied", 1);
  ASSERT_TRUE(ReadPatchBank(Path("Emptied"), banks.bank(4), 4, std::string("Emptied"), prompts));
  banks.set_current_bank(4);
  banks.set_current_slot(1);
  banks.set_patch_source_bank(4);
  ASSERT_EQ(banks.ClearPatch(), kNoticeDeletedPatch);
  MemorySession session;
  session.values['E'] = "Emptied";
  prompts.answers = {PatchPrompts::kNo};
  EXPECT_TRUE(commands.SaveAtExit(&session));
  EXPECT_EQ(banks.bank(3).name(), "D");
  EXPECT_TRUE(std::filesystem::exists(Path("D")));
  // The emptied bank keeps its name, was asked about, and loses its session value.
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(Path("Emptied")));
  EXPECT_FALSE(std::filesystem::exists(Path("E")));
  EXPECT_EQ(session.values, (std::map<char, std::string>{{'D', "D"}}));
}

TEST_F(BankCommandsTest, SessionValuesNameFilesInsideTheFolder) {
  WriteBankFile(folder.path, "Keys", 3);
  WriteBankFile(folder.path, "x", 1);
  WriteBankFile(folder.path, "G", 1);
  std::filesystem::create_directories(folder.path + "sub");
  MemorySession session;
  session.exists = true;
  session.values = {{'A', "Keys"}, {'B', "Gone"}, {'C', "../../x"}, {'D', "sub/x"}};
  const auto loaded = LoadSessionPatches(session, folder.path, banks, prompts);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{true, false, true, false, false, false, true}));
  EXPECT_EQ(banks.bank(0).name(), "Keys");
  EXPECT_EQ(banks.bank(0).patch_count(), 3);
  EXPECT_EQ(banks.bank(2).name(), "x");  // "../../x" read as "x" inside the folder
  EXPECT_EQ(banks.bank(6).name(), "G");  // the letter stands in for a missing value
  EXPECT_TRUE(prompts.warnings.empty());
  // A failing store ends the loading quietly.
  BankTable fresh;
  session.fail = true;
  EXPECT_EQ(LoadSessionPatches(session, folder.path, fresh, prompts),
            (std::array<bool, kBankCount>{}));
  SaveSessionEntry(session, "Keys", 'A');
}

}  // namespace
}  // namespace kornmill::testing
