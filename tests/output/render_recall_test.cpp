// kornmill-render with a patch bank: --recall before Play and recalls in a score equal the same
// values given with --set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "controls/control_table.h"
#include "output/render/render_job.h"
#include "output/render/render_options.h"
#include "output/render/render_score.h"
#include "patches/bank_file.h"
#include "patches/patch_bank.h"

namespace kornmill {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("kornmill-recall-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program; its exit code, and what it printed in `output`.
int RunProgram(const std::string& args, std::string* output = nullptr) {
  const std::string log = TempPath("log.txt");
  const int rc =
      std::system((std::string(KORNMILL_RENDER) + " " + args + " >" + log + " 2>&1").c_str());
  if (output) *output = ReadBytes(log);
  std::filesystem::remove(log);
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// A patch far from the defaults in every control, the pan position included.
std::array<int32_t, kPatchValues> Patch() {
  std::array<int32_t, kPatchValues> v{};
  const int32_t values[kPatchValues] = {800, 40, 2500, 30,   3000, 200, 50,  9000, 60,  -40,
                                        900, 70, 80,   7000, 20,   -30, 300, 10,   -20, 40,
                                        100, 60, 90,   700,  100,  120, -60, 200};
  for (int k = 0; k < kPatchValues; ++k) v[static_cast<size_t>(k)] = values[k];
  return v;
}

class RenderRecallTest : public ::testing::Test {
 protected:
  RenderRecallTest() {
    PatchBank bank;
    bank.Store(1, "sifter_sine", {});
    bank.Store(2, "sifter_sine", Patch());
    const auto bytes = SerializeBank(bank);
    std::ofstream(bank_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~RenderRecallTest() override {
    for (const std::string& p : {bank_path, a, b}) std::filesystem::remove(p);
  }
  // "--set k=v" for the 27 controls a recall sets (not the pan position).
  static std::string SetArgs() {
    std::string args;
    for (int k = 0; k < kPan; ++k) {
      args += " --set " + std::to_string(k) + "=" + std::to_string(Patch()[static_cast<size_t>(k)]);
    }
    return args;
  }

  std::string bank_path = TempPath("bank.kpb");
  std::string a = TempPath("a.wav");
  std::string b = TempPath("b.wav");
};

TEST_F(RenderRecallTest, OptionsAndScoreLines) {
  const RenderOptions o = ParseRenderArgs({"--bank", "x.kpb", "--recall", "2", "-o", "o.wav"});
  EXPECT_EQ(o.bank, "x.kpb");
  EXPECT_EQ(o.recall, 2);
  EXPECT_EQ(ParseRenderArgs({"--recall", "0", "-o", "o.wav"}).recall, 0);
  auto message = [](const std::vector<std::string>& args) {
    try {
      ParseRenderArgs(args);
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(message({"--recall", "3", "-o", "o.wav"}), "--recall 3 needs --bank FILE.kpb");
  EXPECT_EQ(message({"--bank", "x", "--recall", "21", "-o", "o.wav"}),
            "--recall must be 0 (the default patch) or a slot 1 to 20");
  std::istringstream score("1.5 recall 4\n0.5 recall 0\n");
  const auto events = ParseScore(score, "s");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, ScoreEvent::kRecall);
  EXPECT_EQ(events[0].slot, 0);
  EXPECT_EQ(events[1].slot, 4);
  std::istringstream bad("1 recall 21\n");
  EXPECT_THROW(ParseScore(bad, "s"), ScoreError);
}

// End to end through the program: the bank file, its reader and the recall.
TEST_F(RenderRecallTest, ARecallSoundsLikeItsValuesSet) {
  std::string text;
  ASSERT_EQ(RunProgram("--seconds 1 --bank " + bank_path + " --recall 2 -o " + a, &text), 0)
      << text;
  ASSERT_EQ(RunProgram("--seconds 1" + SetArgs() + " -o " + b, &text), 0) << text;
  const std::string recalled = ReadBytes(a);
  ASSERT_EQ(recalled.size(), 44u + 44100u * 2 * 4);
  EXPECT_TRUE(recalled == ReadBytes(b));
  // And not like the defaults.
  ASSERT_EQ(RunProgram("--seconds 1 -o " + b), 0);
  EXPECT_FALSE(recalled == ReadBytes(b));
}

TEST_F(RenderRecallTest, SetAfterARecallWinsEvenWithTheDefaultValue) {
  // The glissando back at its default, 0, which is also where it stands before Play.
  std::string text;
  ASSERT_EQ(RunProgram("--seconds 1 --bank " + bank_path + " --recall 2 --set 16=0 -o " + a, &text),
            0)
      << text;
  std::string set_args;
  for (int k = 0; k < kPan; ++k) {
    if (k == kGliss) continue;
    set_args += " --set " + std::to_string(k) + "=" + std::to_string(Patch()[static_cast<size_t>(k)]);
  }
  ASSERT_EQ(RunProgram("--seconds 1" + set_args + " -o " + b, &text), 0) << text;
  EXPECT_TRUE(ReadBytes(a) == ReadBytes(b));
}

TEST_F(RenderRecallTest, AScoreRecallGlidesLikeTheSameSetLines) {
  std::istringstream recall_text("0.2 recall 2\n0.6 recall 0\n");
  std::string set_lines;
  for (int k = 0; k < kPan; ++k) {
    set_lines += "0.2 set " + std::to_string(k) + " " +
                 std::to_string(Patch()[static_cast<size_t>(k)]) + "\n";
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
  EXPECT_EQ(RunProgram("--blocks 1 --bank " + bank_path + " --recall 3 -o " + a, &text), 1);
  EXPECT_NE(text.find("slot 3 of " + bank_path + " holds no patch (it has 2)"), std::string::npos)
      << text;
  // Not a bank file.
  std::ofstream(bank_path, std::ios::binary | std::ios::trunc) << "Kbnk\x64";
  EXPECT_EQ(RunProgram("--blocks 1 --bank " + bank_path + " --recall 1 -o " + a, &text), 1);
  EXPECT_NE(text.find(bank_path + " is not a valid Kornmill patch bank file"), std::string::npos)
      << text;
  // A bank file without patches is reported, never deleted.
  std::ofstream(bank_path, std::ios::binary | std::ios::trunc).write("Kbnk\x64\0\0\0\0\0\0\0", 12);
  EXPECT_EQ(RunProgram("--blocks 1 --bank " + bank_path + " --recall 1 -o " + a, &text), 1);
  EXPECT_NE(text.find("holds no patch (it has 0)"), std::string::npos) << text;
  EXPECT_TRUE(std::filesystem::exists(bank_path));
  EXPECT_EQ(RunProgram("--blocks 1 --bank /nonexistent/b.kpb -o " + a, &text), 1);
  EXPECT_NE(text.find("cannot read the bank /nonexistent/b.kpb"), std::string::npos) << text;
}

}  // namespace
}  // namespace kornmill
