// Reading factory-bank sources line by line, every value checked against its control's range.
#include "manual/bank_source.h"

#include <charconv>

#include "controls/control_table.h"
#include "patches/bank_names.h"
#include "patches/patch_bank.h"

namespace kornmill {

namespace {

constexpr std::array<std::string_view, kPatchValues> kKeys = {
    "start",      "start.rnd",  "length",     "length.rnd", "rate",       "range",
    "rate.amp",   "freq",       "freq.rnd",   "freq.amp",   "grain",      "grain.rnd",
    "grain.amp",  "pitch",      "pitch.rnd",  "pitch.amp",  "gliss",      "gliss.rnd",
    "gliss.amp",  "attack",     "attack.rnd", "decay",      "decay.rnd",  "amp",
    "amp.amp",    "pan.rnd",    "pan.rnd.amp", "pan"};

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// Reads one source; keeps the file name and line for messages.
class SourceReader {
 public:
  explicit SourceReader(std::string file_name) : file_(std::move(file_name)) {}

  void Line(std::string_view text, int line) {
    line_ = line;
    text = Trim(text);
    if (text.empty() || text.front() == '#') return;
    const size_t space = text.find_first_of(" \t");
    const std::string_view word = text.substr(0, space);
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : Trim(text.substr(space));
    if (rest.empty()) Fail("\"" + std::string(word) + "\" needs a value");
    Apply(word, rest);
  }

  FactoryBankSource Finish() {
    if (bank_.name.empty()) Fail("the source names no bank");
    if (bank_.patches.empty()) Fail("the bank holds no patches");
    CheckTried();
    return std::move(bank_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw BankSourceError(file_ + ":" + std::to_string(line_) + ": " + what);
  }

  void Apply(std::string_view word, std::string_view rest) {
    if (word == "bank") {
      if (!bank_.name.empty()) Fail("a second bank name");
      if (SafeBankFileName(rest) != rest) Fail("a bank name must be a file name");
      bank_.name = rest;
    } else if (bank_.name.empty()) {
      Fail("the source must start with the bank's name");
    } else if (word == "about") {
      Join(bank_.about, rest);
    } else if (word == "sound") {
      sound_ = rest;
    } else if (word == "patch") {
      StartPatch(rest);
    } else if (word == "try") {
      Join(Current().try_text, rest);
    } else {
      SetValue(word, rest);
    }
  }

  static void Join(std::string& text, std::string_view more) {
    if (!text.empty()) text += ' ';
    text += more;
  }

  void StartPatch(std::string_view name) {
    if (bank_.patches.size() == kSlotsPerBank) Fail("a bank holds 20 patches");
    CheckTried();
    FactoryPatch patch;
    patch.name = name;
    patch.sound = sound_;
    for (int k = 0; k < kPatchValues; ++k) patch.values[k] = DefaultValue(k);
    bank_.patches.push_back(std::move(patch));
  }

  FactoryPatch& Current() {
    if (bank_.patches.empty()) Fail("a value before the first patch");
    return bank_.patches.back();
  }

  void CheckTried() const {
    if (!bank_.patches.empty() && bank_.patches.back().try_text.empty()) {
      Fail("patch \"" + bank_.patches.back().name + "\" says nothing to try");
    }
  }

  void SetValue(std::string_view key, std::string_view text) {
    const int k = ControlFromKey(key);
    if (k < 0) Fail("unknown word \"" + std::string(key) + "\"");
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
      Fail(std::string(key) + " needs a whole number, not \"" + std::string(text) + "\"");
    }
    const ControlRow& row = kControlTable[static_cast<size_t>(k)];
    if (value < row.minimum || value > row.maximum) {
      Fail(std::string(key) + " takes " + std::to_string(row.minimum) + " to " +
           std::to_string(row.maximum) + ", not " + std::to_string(value));
    }
    FactoryPatch& patch = Current();
    if (patch.set[k]) Fail(std::string(key) + " is set twice");
    patch.set[k] = true;
    patch.values[k] = value;
  }

  std::string file_;
  int line_ = 0;
  std::string sound_ = kSineSoundName;
  FactoryBankSource bank_;
};

}  // namespace

std::string_view ControlKey(int k) {
  return kKeys[static_cast<size_t>(k)];
}

int ControlFromKey(std::string_view key) {
  for (int k = 0; k < kPatchValues; ++k) {
    if (kKeys[static_cast<size_t>(k)] == key) return k;
  }
  return -1;
}

FactoryBankSource ParseBankSource(std::istream& in, const std::string& file_name) {
  SourceReader reader(file_name);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) reader.Line(line, ++number);
  if (in.bad()) throw BankSourceError(file_name + ": could not be read");
  return reader.Finish();
}

PatchBank ToPatchBank(const FactoryBankSource& source) {
  PatchBank bank;
  int slot = 1;
  for (const FactoryPatch& patch : source.patches) bank.Store(slot++, patch.sound, patch.values);
  bank.set_name(source.name);
  bank.MarkWritten();
  bank.set_dirty(kBankSaved);
  return bank;
}

}  // namespace kornmill
