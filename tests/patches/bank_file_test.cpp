// Bank files: the byte layout, reading back, hostile files, and writes that never lose the old
// file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "../small_file_system.h"
#include "controls/control_table.h"
#include "patch_test_util.h"
#include "patches/bank_file.h"
#include "patches/bank_names.h"
#include "patches/patch_bank.h"
#include "patches/patch_bank_io.h"
#include "resources/ids.h"

namespace kornmill::testing {
namespace {

std::array<int32_t, kPatchValues> Values(int32_t first) {
  std::array<int32_t, kPatchValues> v{};
  for (int k = 0; k < kPatchValues; ++k) v[static_cast<size_t>(k)] = DefaultValue(k);
  v[0] = first;
  return v;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(v >> s));
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> Header(int32_t version, int32_t count) {
  std::vector<uint8_t> b = {'K', 'b', 'n', 'k'};
  PutU32(b, static_cast<uint32_t>(version));
  PutU32(b, static_cast<uint32_t>(count));
  return b;
}

void PutRecord(std::vector<uint8_t>& b, uint8_t flags, const std::string& name, int values,
               int32_t first) {
  b.push_back(flags);
  b.insert(b.end(), {7, 8, 9});
  PutU32(b, static_cast<uint32_t>(name.size() + 1));
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  for (int k = 0; k < values; ++k) PutU32(b, static_cast<uint32_t>(k == 0 ? first : 100 + k));
}

class BankFileTest : public ::testing::Test {
 protected:
  // Bank A with patches in slots 3 and 7, named `name`.
  PatchBank MakeBank(const std::string& name) {
    PatchBank bank;
    bank.Store(3, "/snd/rain.wav", Values(300));
    bank.Store(7, "sifter_sine", Values(700));
    bank.Rename(name);
    return bank;
  }
  std::string Path(const std::string& name) { return folder.path + name + ".kpb"; }

  TempFolder folder;
  ScriptedPrompts prompts;
};

TEST_F(BankFileTest, SlotsThreeAndSevenComeBackInOneAndTwo) {
  PatchBank bank = MakeBank("Rain");
  ASSERT_EQ(WritePatchBank(bank, folder.path, prompts), kNoticeSavedBank);
  EXPECT_EQ(bank.dirty(), kBankSaved);
  EXPECT_FALSE(bank.slot(3).changed());
  const auto bytes = ReadAll(Path("Rain"));
  // Header, then two records of 8 + name + 28 values; nothing after them.
  const size_t first = 8 + 14 + 4 * 28, second = 8 + 12 + 4 * 28;
  ASSERT_EQ(bytes.size(), 12 + first + second);
  EXPECT_EQ(std::memcmp(bytes.data(), "Kbnk", 4), 0);
  EXPECT_EQ(U32At(bytes, 4), 100u);
  EXPECT_EQ(U32At(bytes, 8), 2u);
  EXPECT_EQ(bytes[12], 1);                 // written as stored, without the changed mark
  EXPECT_EQ(U32At(bytes, 16), 14u);        // "/snd/rain.wav" and its zero
  EXPECT_EQ(U32At(bytes, 12 + 22), 300u);  // its first value
  EXPECT_EQ(U32At(bytes, 12 + first + 4), 12u);

  PatchBank back;
  back.Store(12, "old", Values(5));
  ASSERT_TRUE(ReadPatchBank(Path("Rain"), back, 1, std::string("Rain"), prompts));
  EXPECT_EQ(back.name(), "Rain");
  EXPECT_EQ(back.patch_count(), 2);
  EXPECT_EQ(back.dirty(), kBankSaved);
  EXPECT_EQ(back.slot(1).sound_name, "/snd/rain.wav");
  EXPECT_EQ(back.slot(1).values, Values(300));
  EXPECT_EQ(back.slot(2).values[0], 700);
  EXPECT_FALSE(back.slot(2).changed());
  for (int n = 3; n <= kSlotsPerBank; ++n) EXPECT_FALSE(back.slot(n).stored()) << n;
  EXPECT_FALSE(back.renamed());
  // Without a base name the bank is named by its letter.
  ASSERT_TRUE(ReadPatchBank(Path("Rain"), back, 1, std::nullopt, prompts));
  EXPECT_EQ(back.name(), "B");
  // A file whose name does not lead back to it: its first save asks before overwriting.
  std::filesystem::copy_file(Path("Rain"), folder.path + "Rain.bak");
  ASSERT_TRUE(ReadPatchBank(folder.path + "Rain.bak", back, 1, BaseNameOf("Rain.bak"), prompts));
  EXPECT_EQ(back.name(), "Rain");
  EXPECT_TRUE(back.renamed());
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(BankFileTest, Version101RecordsCarryTheChangeTime) {
  std::vector<uint8_t> b = Header(101, 2);
  PutRecord(b, 1, "a.wav", 29, 10);
  PutRecord(b, 1, "b.wav", 29, 20);
  WriteAll(Path("v101"), b);
  PatchBank bank;
  ASSERT_TRUE(ReadPatchBank(Path("v101"), bank, 0, std::string("v101"), prompts));
  EXPECT_EQ(bank.slot(2).sound_name, "b.wav");
  EXPECT_EQ(bank.slot(2).values[0], 20);
  EXPECT_EQ(bank.slot(1).extra_value, 128);
  EXPECT_EQ(bank.slot(1).reserved, (std::array<uint8_t, 3>{7, 8, 9}));
}

TEST_F(BankFileTest, BrokenFilesAreRejectedAndLeaveTheBankAsItWas) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"wrong magic", Header(100, 1)});
  cases.back().bytes[0] = 'k';
  PutRecord(cases.back().bytes, 1, "x", 28, 1);
  // Twenty-one whole records: only the count is wrong.
  std::vector<uint8_t> over = Header(100, 21);
  for (int n = 0; n < 21; ++n) PutRecord(over, n % 20 + 1, "x", 28, 1);
  cases.push_back({"count above 20", over});
  cases.push_back({"negative count", Header(100, -1)});
  cases.push_back({"empty file", {}});
  std::vector<uint8_t> absurd = Header(100, 1);
  absurd.insert(absurd.end(), {1, 0, 0, 0});
  PutU32(absurd, 0x7FFFFFFF);  // a name length no file holds
  cases.push_back({"absurd name length", absurd});
  std::vector<uint8_t> long_name = Header(100, 1);
  PutRecord(long_name, 1, std::string(5000, 'n'), 28, 1);
  cases.push_back({"name above 4096 bytes", long_name});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(Path("bad"), c.bytes);
    PatchBank bank = MakeBank("Keep");
    prompts.warnings.clear();
    EXPECT_FALSE(ReadPatchBank(Path("bad"), bank, 0, std::string("bad"), prompts));
    ASSERT_EQ(prompts.warnings.size(), 1u);
    EXPECT_EQ(prompts.warnings[0].title, "File error");
    EXPECT_EQ(prompts.warnings[0].text, Path("bad") + "\nis not a valid Kornmill patch bank file");
    EXPECT_EQ(bank.name(), "Keep");
    EXPECT_EQ(bank.patch_count(), 2);
    EXPECT_EQ(bank.slot(3).values[0], 300);
    EXPECT_TRUE(std::filesystem::exists(Path("bad")));  // never deleted
  }
}

TEST_F(BankFileTest, EveryTruncationIsRejectedCleanlyOrReadFully) {
  std::vector<uint8_t> whole = Header(100, 3);
  PutRecord(whole, 1, "/snd/one.wav", 28, 1);
  PutRecord(whole, 1, "", 28, 2);
  PutRecord(whole, 1, "three", 28, 3);
  for (size_t n = 0; n <= whole.size(); ++n) {
    const ParsedBankFile p = ParseBankFile(std::span(whole.data(), n));
    if (n == whole.size()) {
      ASSERT_EQ(p.status, BankFileStatus::kOk);
      ASSERT_EQ(p.patches.size(), 3u);
      EXPECT_EQ(p.patches[1].sound_name, "");
      EXPECT_EQ(p.patches[2].values[0], 3);
    } else {
      EXPECT_EQ(p.status, BankFileStatus::kInvalid) << n;
      EXPECT_TRUE(p.patches.empty());
    }
  }
  // Bytes after the last record are ignored.
  whole.insert(whole.end(), 100, 0xEE);
  EXPECT_EQ(ParseBankFile(whole).status, BankFileStatus::kOk);
}

TEST_F(BankFileTest, ValuesAreClampedAndEveryRecordIsStored) {
  std::vector<uint8_t> b = Header(100, 2);
  PutRecord(b, 0, "flag zero", 28, 1);
  // A zero name length reads as an empty name.
  b.insert(b.end(), {3, 0, 0, 0});
  PutU32(b, 0);
  for (int k = 0; k < kPatchValues; ++k) {
    PutU32(b, static_cast<uint32_t>(k == kGrainFreq ? 16670 : (k == kPitch ? -100000 : 0)));
  }
  const ParsedBankFile p = ParseBankFile(b);
  ASSERT_EQ(p.status, BankFileStatus::kOk);
  EXPECT_TRUE(p.patches[0].stored());
  EXPECT_FALSE(p.patches[1].changed());
  EXPECT_EQ(p.patches[1].sound_name, "");
  EXPECT_EQ(p.patches[1].values[kGrainFreq], 16384);
  EXPECT_EQ(p.patches[1].values[kPitch], -16384);
  EXPECT_EQ(p.patches[1].values[kGrainLength], 13);
}

TEST_F(BankFileTest, EmptyFilesAreDeletedOnlyWithTheirWholeHeader) {
  WriteAll(Path("empty"), Header(100, 0));
  PatchBank bank = MakeBank("Keep");
  EXPECT_FALSE(ReadPatchBank(Path("empty"), bank, 0, std::string("empty"), prompts));
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].text, Path("empty") + " is empty. File deleted.");
  EXPECT_FALSE(std::filesystem::exists(Path("empty")));
  EXPECT_EQ(bank.patch_count(), 2);
  // The magic and a cut count: not a bank file, and kept.
  std::vector<uint8_t> cut = Header(100, 0);
  cut.resize(10);
  WriteAll(Path("cut"), cut);
  EXPECT_FALSE(ReadPatchBank(Path("cut"), bank, 0, std::string("cut"), prompts));
  EXPECT_TRUE(std::filesystem::exists(Path("cut")));
  // A missing file says nothing.
  prompts.warnings.clear();
  EXPECT_FALSE(ReadPatchBank(Path("missing"), bank, 0, std::string("missing"), prompts));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(BankFileTest, SavesWithoutChangesOrNameAndOverwriteQuestions) {
  PatchBank bank = MakeBank("Rain");
  ASSERT_EQ(WritePatchBank(bank, folder.path, prompts), kNoticeSavedBank);
  struct stat before {};
  ::stat(Path("Rain").c_str(), &before);
  EXPECT_EQ(WritePatchBank(bank, folder.path, prompts), kNoticeNothingToSave);
  struct stat after {};
  ::stat(Path("Rain").c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);  // untouched
  PatchBank unnamed;
  unnamed.Store(1, "x", Values(1));
  EXPECT_EQ(WritePatchBank(unnamed, folder.path, prompts), kNoticeNameBank);
  // Renamed to an existing file's name, then a store: still a rename, still asked.
  PatchBank other;
  other.Store(1, "y", Values(9));
  other.Rename("Rain");
  other.Store(2, "y", Values(10));
  EXPECT_EQ(other.dirty(), kBankPatchesChanged);
  prompts.oks = {false};
  EXPECT_EQ(WritePatchBank(other, folder.path, prompts), 0);
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].title, "Save the patches!");
  EXPECT_EQ(prompts.questions[0].text,
            Path("Rain") + "\nThis file exists. Do you want to overwrite?");
  EXPECT_EQ(ReadAll(Path("Rain")), SerializeBank(bank));
  EXPECT_TRUE(other.has_changes());
  prompts.oks = {true};
  EXPECT_EQ(WritePatchBank(other, folder.path, prompts), kNoticeSavedBank);
  EXPECT_EQ(ReadAll(Path("Rain")), SerializeBank(other));
  // Written once, the name is its own: no more questions.
  other.Store(3, "y", Values(11));
  EXPECT_EQ(WritePatchBank(other, folder.path, prompts), kNoticeSavedBank);
  EXPECT_EQ(prompts.questions.size(), 2u);
  // Storing one more patch into a bank read from a longer file: the file holds exactly the bank.
  PatchBank reread;
  ASSERT_TRUE(ReadPatchBank(Path("Rain"), reread, 0, std::string("Rain"), prompts));
  reread.ClearSlot(1);
  reread.ClearSlot(2);
  reread.Store(5, "z", Values(12));
  EXPECT_EQ(WritePatchBank(reread, folder.path, prompts), kNoticeSavedBank);
  EXPECT_EQ(U32At(ReadAll(Path("Rain")), 8), 2u);
  EXPECT_EQ(ReadAll(Path("Rain")).size(), 12 + 2 * (8 + 2 + 4 * 28));
}

TEST_F(BankFileTest, EmptiedBanksDeleteTheirFileAfterTheQuestion) {
  PatchBank bank = MakeBank("Rain");
  ASSERT_EQ(WritePatchBank(bank, folder.path, prompts), kNoticeSavedBank);
  bank.ClearSlot(3);
  bank.ClearSlot(7);
  prompts.answers = {PatchPrompts::kCancel, PatchPrompts::kYes};
  EXPECT_EQ(WritePatchBank(bank, folder.path, prompts), 0);
  EXPECT_TRUE(std::filesystem::exists(Path("Rain")));
  EXPECT_EQ(WritePatchBank(bank, folder.path, prompts), kNoticeNothingToSave);
  EXPECT_EQ(prompts.questions[1].title, "File management");
  EXPECT_EQ(prompts.questions[1].text,
            "Rain is empty\nDo you want to delete the associated file if it exists?");
  EXPECT_FALSE(std::filesystem::exists(Path("Rain")));
  EXPECT_EQ(bank.name(), "");
  EXPECT_FALSE(bank.has_changes());
  // A one-letter name is the program's own file: deleted without a question.
  PatchBank letter;
  letter.Store(1, "x", Values(1));
  letter.set_name("C");
  ASSERT_EQ(WritePatchBank(letter, folder.path, prompts), kNoticeSavedBank);
  letter.ClearSlot(1);
  EXPECT_EQ(WritePatchBank(letter, folder.path, prompts), kNoticeNothingToSave);
  EXPECT_FALSE(std::filesystem::exists(Path("C")));
  EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST_F(BankFileTest, AnUnwritableFolderIsReportedAndKeepsTheBankUnsaved) {
  PatchBank bank = MakeBank("Rain");
  const std::string blocked = folder.path + "file-not-folder";
  WriteAll(blocked, {1});
  EXPECT_EQ(WritePatchBank(bank, blocked + "/", prompts), 0);
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].title, "File error");
  EXPECT_EQ(prompts.warnings[0].text.rfind("Could not save " + blocked + "/Rain.kpb: ", 0), 0u);
  EXPECT_TRUE(bank.has_changes());
  EXPECT_TRUE(bank.slot(3).changed());
}

// A real full file system: a 16 KiB tmpfs (needs the right to mount).
TEST_F(BankFileTest, ASaveThatFillsTheDiskKeepsTheOldFile) {
  using kornmill_test::SmallFileSystem;
  const SmallFileSystem disk(SmallFileSystem::Kind::kTmpfs, folder.path, 16);
  ASSERT_TRUE(disk.mounted()) << disk.error();
  const std::string mnt = disk.path();
  PatchBank bank = MakeBank("Rain");
  ASSERT_EQ(WritePatchBank(bank, mnt, prompts), kNoticeSavedBank);
  const auto old = ReadAll(mnt + "/Rain.kpb");
  // Fill what is left, then save a bank whose file no longer fits.
  WriteAll(mnt + "/filler", std::vector<uint8_t>(12 * 1024, 0));
  for (int n = 1; n <= kSlotsPerBank; ++n) bank.Store(n, std::string(1000, 's'), Values(n));
  EXPECT_EQ(WritePatchBank(bank, mnt, prompts), 0);
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_NE(prompts.warnings[0].text.find("No space left on device"), std::string::npos);
  EXPECT_EQ(ReadAll(mnt + "/Rain.kpb"), old);
  EXPECT_TRUE(bank.has_changes());
  // No temporary file is left behind.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(mnt)) files += e.is_regular_file();
  EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace kornmill::testing
