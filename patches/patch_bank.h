// One patch bank: a name, its unsaved-changes state and 20 slots.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "patches/patch_slot.h"

namespace kornmill {

// The bank's unsaved changes.
enum BankDirty : int {
  kBankSaved = 0,
  kBankPatchesChanged = 1,  // a store or a clear
  kBankNameEdited = 2,
};

// Main thread only.
class PatchBank {
 public:
  const std::string& name() const { return name_; }
  int dirty() const { return dirty_; }
  bool has_changes() const { return dirty_ != kBankSaved; }
  // The name changed since the bank was last read or written: a file of the
  // new name is another bank's, and overwriting it needs the user's word.
  bool renamed() const { return renamed_; }
  // Number of stored slots.
  int patch_count() const;

  // Slot `n`, 1 .. 20.
  const PatchSlot& slot(int n) const { return slots_[static_cast<size_t>(n - 1)]; }

  // Stores `values` with `sound_name` into slot `n` (stored and changed).
  void Store(int n, std::string_view sound_name, const std::array<int32_t, kPatchValues>& values);
  // Empties slot `n` when it is stored; false when there was nothing to clear.
  bool ClearSlot(int n);
  // Empties every slot and forgets the name: the bank as "Close" leaves it.
  void Clear();

  // The name typed into the name box, on leaving it: nothing happens for the
  // placeholder or the bank's own name; otherwise the file-safe form becomes
  // the name (state "name edited" when it differs). Says what the box must show.
  struct RenameResult {
    bool changed = false;    // the name changed
    bool rewrite = false;    // the box must show `name()` instead of the typed text
    bool clear_box = false;  // the placeholder was left in the box: empty it
  };
  RenameResult Rename(std::string_view typed);

  // Sets the name without marking an edit (a file's base name, a bank letter).
  void set_name(std::string name) { name_ = std::move(name); }
  void set_renamed(bool renamed) { renamed_ = renamed; }
  void set_dirty(int dirty) { dirty_ = dirty; }

  // The bank was written: every stored slot loses its changed mark.
  void MarkWritten();
  // Takes the patches read from a file: slots 1 .. count get them, the later
  // slots are emptied (their values stay); named `name`, nothing unsaved.
  void TakeRead(const std::vector<PatchSlot>& patches, std::string name, bool renamed);

 private:
  PatchSlot& mutable_slot(int n) { return slots_[static_cast<size_t>(n - 1)]; }

  std::string name_;
  int dirty_ = kBankSaved;
  bool renamed_ = false;
  std::array<PatchSlot, kSlotsPerBank> slots_{};
};

}  // namespace kornmill
