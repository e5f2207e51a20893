// libFuzzer target: parse arbitrary bytes as a patch-bank file; whatever parses must survive a
// write and a second read unchanged. Built and run by scripts/fuzz-smoke (clang only).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "patches/bank_file.h"
#include "patches/patch_bank.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kornmill;
  const ParsedBankFile parsed = ParseBankFile(std::span(data, size));
  if (parsed.status != BankFileStatus::kOk) {
    if (!parsed.patches.empty()) std::abort();
    return 0;
  }
  if (parsed.patches.empty() || parsed.patches.size() > kSlotsPerBank) std::abort();
  PatchBank bank;
  bank.TakeRead(parsed.patches, "fuzz", false);
  const std::vector<uint8_t> written = SerializeBank(bank);
  const ParsedBankFile again = ParseBankFile(written);
  if (again.status != BankFileStatus::kOk || again.patches.size() != parsed.patches.size()) {
    std::abort();
  }
  for (size_t i = 0; i < parsed.patches.size(); ++i) {
    const PatchSlot& a = parsed.patches[i];
    const PatchSlot& b = again.patches[i];
    if (!b.stored() || a.sound_name != b.sound_name || a.values != b.values ||
        a.reserved != b.reserved) {
      std::abort();
    }
  }
  return 0;
}
