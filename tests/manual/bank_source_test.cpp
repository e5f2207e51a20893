// Factory-bank sources: what a source reads into, and the lines it refuses with their place (the
// bank files made from them are read back in built_manual_test).
#include <gtest/gtest.h>

#include <sstream>

#include "controls/control_table.h"
#include "manual/bank_source.h"

namespace kornmill {
namespace {

FactoryBankSource Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseBankSource(in, "t.bank");
}

// The message of the error a source raises; empty when it reads.
std::string ErrorOf(const std::string& text) {
  try {
    Parse(text);
  } catch (const BankSourceError& e) {
    return e.what();
  }
  return {};
}

constexpr const char* kTwoPatches =
    "# a comment\n"
    "bank Tiny\n"
    "about Two patches.\n"
    "patch Slow\n"
    "try Move <b>rate</b>.\n"
    "rate 1022\n"
    "freq.rnd 16\n"
    "\n"
    "sound drums.wav\n"
    "patch Left\n"
    "try Listen\n"
    "try in stereo.\n"
    "pan 256\n";

TEST(BankSource, ReadsPatchesFromTheDefaultsOn) {
  const FactoryBankSource bank = Parse(kTwoPatches);
  EXPECT_EQ(bank.name, "Tiny");
  EXPECT_EQ(bank.about, "Two patches.");
  ASSERT_EQ(bank.patches.size(), 2u);
  const FactoryPatch& slow = bank.patches[0];
  EXPECT_EQ(slow.name, "Slow");
  EXPECT_EQ(slow.sound, "sifter_sine");
  EXPECT_EQ(slow.values[kRate], 1022);
  EXPECT_EQ(slow.values[kGrainFreqRnd], 16);
  EXPECT_TRUE(slow.set[kRate]);
  EXPECT_FALSE(slow.set[kGrainFreq]);
  EXPECT_EQ(slow.values[kGrainFreq], DefaultValue(kGrainFreq));
  const FactoryPatch& left = bank.patches[1];
  EXPECT_EQ(left.try_text, "Listen in stereo.");
  EXPECT_EQ(left.sound, "drums.wav");
  EXPECT_EQ(left.values[kPan], 256);
  EXPECT_EQ(left.values[kRate], DefaultValue(kRate));
}

TEST(BankSource, ControlKeysCoverEveryGrainControlOnce) {
  for (int k = 0; k < kGrainControls; ++k) EXPECT_EQ(ControlFromKey(ControlKey(k)), k);
  EXPECT_EQ(ControlFromKey("change"), -1);
}

TEST(BankSource, RefusedLinesNameTheirPlace) {
  EXPECT_EQ(ErrorOf("patch A\n"), "t.bank:1: the source must start with the bank's name");
  EXPECT_EQ(ErrorOf("bank B\npatch A\ntry x\nrate 9000\n"),
            "t.bank:4: rate takes -8192 to 8192, not 9000");
  EXPECT_EQ(ErrorOf("bank B\npatch A\ntry x\nrate fast\n"),
            "t.bank:4: rate needs a whole number, not \"fast\"");
  EXPECT_EQ(ErrorOf("bank B\npatch A\ntry x\nloud 3\n"), "t.bank:4: unknown word \"loud\"");
  EXPECT_EQ(ErrorOf("bank B\npatch A\ntry x\nrate 1\nrate 2\n"), "t.bank:5: rate is set twice");
  EXPECT_EQ(ErrorOf("bank B\npatch A\nrate 1\npatch C\n"),
            "t.bank:4: patch \"A\" says nothing to try");
  EXPECT_EQ(ErrorOf("bank B\nrate 1\n"), "t.bank:2: a value before the first patch");
  EXPECT_EQ(ErrorOf("bank A:B\n"), "t.bank:1: a bank name must be a file name");
  EXPECT_EQ(ErrorOf("bank B\n"), "t.bank:1: the bank holds no patches");
  EXPECT_EQ(ErrorOf("bank B\npatch\n"), "t.bank:2: \"patch\" needs a value");
  std::string full = "bank Full\n";
  for (int i = 1; i <= 21; ++i) full += "patch P" + std::to_string(i) + "\ntry x\n";
  EXPECT_EQ(ErrorOf(full), "t.bank:42: a bank holds 20 patches");
}

}  // namespace
}  // namespace kornmill
