// Factory banks on a first run: copied into the patches folder without replacing a file of the
// same name, read into the banks still empty; never on a later run.
#include <gtest/gtest.h>

#include <filesystem>

#include "patch_test_util.h"
#include "patches/bank_table.h"
#include "patches/factory_banks.h"
#include "patches/patch_bank.h"
#include "patches/patch_bank_io.h"
#include "patches/safe_file.h"
#include "patches/session_patches.h"
#include "resources/ids.h"

namespace kornmill::testing {
namespace {

namespace fs = std::filesystem;

class FactoryBanksTest : public ::testing::Test {
 protected:
  TempFolder factory;
  TempFolder patches;
  ScriptedPrompts prompts;
  BankTable banks;
  MemorySession session;  // no session recorded: a first run
};

TEST_F(FactoryBanksTest, ListsValidNamesInOrder) {
  WriteBankFile(factory.path, "Stretch", 20);
  WriteBankFile(factory.path, "Clouds", 20);
  WriteAll(factory.path + "notes.txt", {'x'});
  fs::create_directories(factory.path + "Folder.kpb");
  EXPECT_EQ(ListFactoryBanks(factory.path), (std::vector<std::string>{"Clouds", "Stretch"}));
  EXPECT_TRUE(ListFactoryBanks(factory.path + "missing/").empty());
}

TEST_F(FactoryBanksTest, FirstRunCopiesIntoAnEmptyFolderAndFillsTheFirstBanks) {
  WriteBankFile(factory.path, "Stretch", 20);
  WriteBankFile(factory.path, "Clouds", 20);
  const std::string folder = patches.path + "Patches/";  // not made yet
  const auto loaded = LoadSessionPatches(session, folder, banks, prompts, factory.path);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{true, true}));
  EXPECT_EQ(banks.bank(0).name(), "Clouds");
  EXPECT_EQ(banks.bank(1).name(), "Stretch");
  EXPECT_EQ(banks.bank(1).patch_count(), 20);
  EXPECT_FALSE(banks.bank(1).has_changes());
  EXPECT_EQ(ReadAll(folder + "Stretch.kpb"), ReadAll(factory.path + "Stretch.kpb"));
  EXPECT_EQ(ReadAll(folder + "Clouds.kpb"), ReadAll(factory.path + "Clouds.kpb"));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(FactoryBanksTest, AFileOfTheSameNameIsLeftUntouched) {
  WriteBankFile(factory.path, "Stretch", 20);
  WriteBankFile(patches.path, "Stretch", 3, "mine");
  const std::vector<uint8_t> mine = ReadAll(patches.path + "Stretch.kpb");
  const FactoryCopy copy = CopyFactoryBanks(factory.path, patches.path);
  EXPECT_EQ(copy.available, std::vector<std::string>{"Stretch"});
  EXPECT_TRUE(copy.copied.empty());
  EXPECT_TRUE(copy.problems.empty());
  EXPECT_EQ(ReadAll(patches.path + "Stretch.kpb"), mine);
}

TEST_F(FactoryBanksTest, LetterBanksComeFirstAndFactoryBanksTakeTheEmptyOnes) {
  WriteBankFile(patches.path, "A", 2);
  WriteBankFile(patches.path, "C", 1);
  WriteBankFile(factory.path, "Clouds", 20);
  WriteBankFile(factory.path, "Stretch", 20);
  const auto loaded = LoadSessionPatches(session, patches.path, banks, prompts, factory.path);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{true, true, true, true}));
  EXPECT_EQ(banks.bank(0).name(), "A");
  EXPECT_EQ(banks.bank(0).patch_count(), 2);
  EXPECT_EQ(banks.bank(1).name(), "Clouds");
  EXPECT_EQ(banks.bank(2).name(), "C");
  EXPECT_EQ(banks.bank(3).name(), "Stretch");
}

TEST_F(FactoryBanksTest, ALaterRunOffersNothing) {
  WriteBankFile(factory.path, "Stretch", 20);
  session.exists = true;
  const auto loaded = LoadSessionPatches(session, patches.path, banks, prompts, factory.path);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{}));
  EXPECT_FALSE(fs::exists(patches.path + "Stretch.kpb"));
  // Nor does a first run whose settings cannot be read.
  session.exists = false;
  session.fail = true;
  LoadSessionPatches(session, patches.path, banks, prompts, factory.path);
  EXPECT_FALSE(fs::exists(patches.path + "Stretch.kpb"));
}

TEST_F(FactoryBanksTest, ProblemsAreToldInOneWarningAndTheRestIsOffered) {
  WriteBankFile(factory.path, "Good", 20);
  WriteAll(factory.path + "Broken.kpb", {'K', 'b', 'n', 'x'});
  const auto loaded = LoadSessionPatches(session, patches.path, banks, prompts, factory.path);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{true}));
  EXPECT_EQ(banks.bank(0).name(), "Good");
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].title, "Factory banks");
  EXPECT_NE(prompts.warnings[0].text.find("Broken.kpb is not a valid Kornmill patch bank file"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(patches.path + "Broken.kpb"));
}

TEST_F(FactoryBanksTest, APatchesFolderThatCannotBeMadeIsTold) {
  WriteBankFile(factory.path, "Stretch", 20);
  WriteAll(patches.path + "file", {'x'});
  const std::string folder = patches.path + "file/Patches/";
  const auto loaded = LoadSessionPatches(session, folder, banks, prompts, factory.path);
  EXPECT_EQ(loaded, (std::array<bool, kBankCount>{}));
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_NE(prompts.warnings[0].text.find("The patches folder " + folder + " could not be made"),
            std::string::npos)
      << prompts.warnings[0].text;
}

TEST(CreateNewFile, NeverReplacesAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.path + "x.kpb";
  const std::vector<uint8_t> first = {1, 2, 3}, second = {4};
  std::string error;
  EXPECT_EQ(CreateNewFile(path, first, &error), CreateStatus::kCreated);
  EXPECT_EQ(CreateNewFile(path, second, &error), CreateStatus::kExists);
  EXPECT_EQ(ReadAll(path), first);
  EXPECT_EQ(CreateNewFile(folder.path + "no/such/x.kpb", second, &error), CreateStatus::kFailed);
  EXPECT_FALSE(error.empty());
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path)) ++files;
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace kornmill::testing
