// Storing, clearing, renaming and refilling a bank.
#include "patches/patch_bank.h"

#include "patches/bank_names.h"

namespace kornmill {

int PatchBank::patch_count() const {
  int n = 0;
  for (const PatchSlot& s : slots_) n += s.stored() ? 1 : 0;
  return n;
}

void PatchBank::Store(int n, std::string_view sound_name,
                      const std::array<int32_t, kPatchValues>& values) {
  PatchSlot& s = mutable_slot(n);
  s.sound_name = std::string(sound_name.substr(0, kMaxSoundNameBytes - 1));
  s.values = values;
  s.flags = kSlotStored | kSlotChanged;
  dirty_ = kBankPatchesChanged;
}

bool PatchBank::ClearSlot(int n) {
  PatchSlot& s = mutable_slot(n);
  if (!s.stored()) return false;
  s.flags &= static_cast<uint8_t>(~(kSlotStored | kSlotChanged));
  dirty_ = kBankPatchesChanged;
  return true;
}

void PatchBank::Clear() {
  for (PatchSlot& s : slots_) {
    if (!s.stored()) continue;
    s.flags = 0;
    s.sound_name.clear();
  }
  name_.clear();
  dirty_ = kBankSaved;
  renamed_ = false;
}

PatchBank::RenameResult PatchBank::Rename(std::string_view typed) {
  RenameResult r;
  if (typed == kBankNamePlaceholder) {
    r.clear_box = true;
    return r;
  }
  if (typed == name_) return r;
  std::string name = SafeBankFileName(typed);
  r.rewrite = name != typed;
  if (name == name_) return r;
  name_ = std::move(name);
  dirty_ = kBankNameEdited;
  renamed_ = true;
  r.changed = true;
  return r;
}

void PatchBank::MarkWritten() {
  for (PatchSlot& s : slots_) {
    if (s.stored()) s.flags = kSlotStored;
  }
  dirty_ = kBankSaved;
  renamed_ = false;
}

void PatchBank::TakeRead(const std::vector<PatchSlot>& patches, std::string name, bool renamed) {
  for (int n = 1; n <= kSlotsPerBank; ++n) {
    PatchSlot& s = mutable_slot(n);
    if (static_cast<size_t>(n) <= patches.size()) {
      s = patches[static_cast<size_t>(n - 1)];
    } else {
      s.flags = 0;
      s.sound_name.clear();
    }
  }
  name_ = std::move(name);
  dirty_ = kBankSaved;
  renamed_ = renamed;
}

}  // namespace kornmill
