// Factory-bank sources: the text a factory bank is written in, read into patches and a bank.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "patches/patch_slot.h"

namespace kornmill {

class PatchBank;

// A bad source line; the text names the file and line.
class BankSourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct FactoryPatch {
  std::string name;       // what the manual calls it
  std::string try_text;   // what to try while it plays (HTML)
  std::string sound;      // the sound it was made with, recorded in the bank file
  std::array<int32_t, kPatchValues> values{};
  std::array<bool, kPatchValues> set{};  // the values the source names
};

struct FactoryBankSource {
  std::string name;   // the bank's name and the base name of its file
  std::string about;  // one paragraph for the manual (HTML)
  std::vector<FactoryPatch> patches;
};

// The short name of grain control k in a source ("rate", "freq.rnd", ...).
std::string_view ControlKey(int k);
// The control a short name stands for; -1 for none.
int ControlFromKey(std::string_view key);

// Reads a source:
//   bank NAME            the bank's name (first)
//   about TEXT           a paragraph about the bank (repeatable, joined)
//   sound NAME           the sound of the patches that follow
//   patch NAME           a new patch, every control at its default value
//   try TEXT             what to try while it plays (repeatable, joined)
//   KEY VALUE            a control's value, within its range
// '#' starts a comment line. Throws BankSourceError.
FactoryBankSource ParseBankSource(std::istream& in, const std::string& file_name);

// The bank the source describes: its patches in slots 1, 2, ..., none changed.
PatchBank ToPatchBank(const FactoryBankSource& source);

}  // namespace kornmill
