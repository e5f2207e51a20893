// kornmill-render with a patch bank: --recall before Play and recalls in a score equal the same
// values given with --set.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "controls/control_table.h"
#include "output/render/render_job.h"
#include "output/render/render_score.h"
#include "patches/bank_file.h"
#include "patches/patch_bank.h"
#include "render_folder.h"

namespace kornmill {
namespace {

using testing::ReadBytes;

// A patch far from the defaults in every control, the pan position included.
constexpr std::array<int32_t, kPatchValues> kPatch = {
    800, 40,  2500, 30, 3000, 200, 50,  9000, 60, -40, 900, 70,  80,  7000,
    20,  -30, 300,  10, -20,  40,  100, 60,   90, 700, 100, 120, -60, 200};

class RenderRecallTest : public testing::RenderFolder {
 protected:
  RenderRecallTest() {
    PatchBank bank;
    bank.Store(1, "sifter_sine", {});
    bank.Store(2, "sifter_sine", kPatch);
    const auto bytes = SerializeBank(bank);
    std::ofstream(bank_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // "--set k=v" for the 27 controls a recall sets (not the pan position), but `skip`.
  static std::string SetArgs(int skip = -1) {
    std::string args;
    for (int k = 0; k < kPan; ++k) {
      if (k == skip) continue;
      args += " --set " + std::to_string(k) + "=" + std::to_string(kPatch[size_t(k)]);
    }
    return args;
  }

  const std::string bank_path = Path("bank.kpb");
  const std::string a = Path("a.wav");
  const std::string b = Path("b.wav");
};

// End to end through the program: the bank file, its reader and the recall.
TEST_F(RenderRecallTest, ARecallSoundsLikeItsValuesSet) {
  std::string text;
  ASSERT_EQ(Run("--seconds 1 --bank " + bank_path + " --recall 2 -o " + a, &text), 0) << text;
  ASSERT_EQ(Run("--seconds 1" + SetArgs() + " -o " + b, &text), 0) << text;
  const std::string recalled = ReadBytes(a);
  ASSERT_EQ(recalled.size(), 44u + 44100u * 2 * 4);
  EXPECT_TRUE(recalled == ReadBytes(b));
  // And not like the defaults.
  ASSERT_EQ(Run("--seconds 1 -o " + b), 0);
  EXPECT_FALSE(recalled == ReadBytes(b));
}

TEST_F(RenderRecallTest, SetAfterARecallWinsEvenWithTheDefaultValue) {
  // The glissando back at its default, 0, which is also where it stands before Play.
  std::string text;
  ASSERT_EQ(Run("--seconds 1 --bank " + bank_path + " --recall 2 --set 16=0 -o " + a, &text), 0)
      << text;
  ASSERT_EQ(Run("--seconds 1" + SetArgs(kGliss) + " -o " + b, &text), 0) << text;
  EXPECT_TRUE(ReadBytes(a) == ReadBytes(b));
}
TEST_F(RenderRecallTest, AScoreRecallGlidesLikeTheSameSetLines) {
  std::istringstream recall_text("0.2 recall 2\n0.6 recall 0\n");
  std::string set_lines;
  for (int k = 0; k < kPan; ++k) {
    set_lines += "0.2 set " + std::to_string(k) + " " + std::to_string(kPatch[size_t(k)]) + "\n";
  }
  for (int k = 0; k < kPan; ++k) {
    set_lines += "0.6 set " + std::to_string(k) + " " + std::to_string(DefaultValue(k)) + "\n";
  }
  std::istringstream set_text(set_lines);
  RenderOptions o = ParseRenderArgs({"--seconds", "1.2", "--bank", bank_path, "-o", a});
  RenderJob recall_job;
  recall_job.Run(o, ParseScore(recall_text, "recall"));
  o.output = b;
  RenderJob set_job;
  set_job.Run(o, ParseScore(set_text, "set"));
  EXPECT_TRUE(ReadBytes(a) == ReadBytes(b));
}

TEST_F(RenderRecallTest, BanksThatCannotServeARecallAreErrors) {
  std::string text;
  // Slot 3 is empty.
  EXPECT_EQ(Run("--blocks 1 --bank " + bank_path + " --recall 3 -o " + a, &text), 1);
  EXPECT_NE(text.find("slot 3 of " + bank_path + " holds no patch (it has 2)"), std::string::npos)
      << text;
  // Not a bank file.
  std::ofstream(bank_path, std::ios::binary | std::ios::trunc) << "Kbnk\x64";
  EXPECT_EQ(Run("--blocks 1 --bank " + bank_path + " --recall 1 -o " + a, &text), 1);
  EXPECT_NE(text.find(bank_path + " is not a valid Kornmill patch bank file"), std::string::npos)
      << text;
  // A bank file without patches is reported, never deleted.
  std::ofstream(bank_path, std::ios::binary | std::ios::trunc).write("Kbnk\x64\0\0\0\0\0\0\0", 12);
  EXPECT_EQ(Run("--blocks 1 --bank " + bank_path + " --recall 1 -o " + a, &text), 1);
  EXPECT_NE(text.find("holds no patch (it has 0)"), std::string::npos) << text;
  EXPECT_TRUE(std::filesystem::exists(bank_path));
  EXPECT_EQ(Run("--blocks 1 --bank /nonexistent/b.kpb -o " + a, &text), 1);
  EXPECT_NE(text.find("cannot read the bank /nonexistent/b.kpb"), std::string::npos) << text;
}

}  // namespace
}  // namespace kornmill
