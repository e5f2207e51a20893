// The eight banks, the default patch, which slot is selected, and storing and recalling patches.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "patches/patch_bank.h"
#include "patches/patch_slot.h"

namespace kornmill {

struct Stream;
class StreamTable;

// Modifier bits of a slot click, read at the time of the click.
inline constexpr int kModCtrl = 1;   // recall: a quick glide; store: what you're hearing
inline constexpr int kModShift = 2;  // store
// A quick recall glides in 6.4 change-time units: 0.1 s.
inline constexpr float kQuickRecallTime = 6.4f;
// Slot number of the default patch; bank index meaning "the default bank".
inline constexpr int kDefaultSlot = 0;
inline constexpr int kDefaultBank = -1;
inline constexpr int kNoSlot = -1;
inline constexpr int kNoBank = -1;

// The timing a recall glides with.
struct GlideTiming {
  uint32_t rate = 0;        // output frames per second
  int32_t frame_clock = 0;  // the engine's frame clock now
  int change_time = 0;      // the global change time, 64ths of a second
};

// A stored patch as the Gesture Window lists it.
struct StoredPatch {
  int bank = 0;       // 0 .. 7
  int slot = 0;       // 1 .. 20
  uint16_t code = 0;  // (bank + 1) × 256 + slot − 1; 0 is the default patch
};

// Main thread only: the banks are read and written between renders.
class BankTable {
 public:
  BankTable();

  PatchBank& bank(int i) { return banks_[static_cast<size_t>(i)]; }
  const PatchBank& bank(int i) const { return banks_[static_cast<size_t>(i)]; }
  // The default patch: every control's default value.
  const PatchSlot& default_patch() const { return default_patch_; }

  // Selection state.
  int current_bank() const { return current_bank_; }
  int current_slot() const { return current_slot_; }
  int patch_source_bank() const { return patch_source_bank_; }
  void set_current_bank(int bank) { current_bank_ = bank; }
  void set_current_slot(int slot) { current_slot_ = slot; }
  void set_patch_source_bank(int bank) { patch_source_bank_ = bank; }
  PatchBank& shown() { return bank(current_bank_); }

  // Store or recall: slot `slot` of bank `bank` (kDefaultBank with slot 0 for
  // the default patch) into or from `stream`. Returns the notice: 1410 for an
  // empty slot, 1411 stored, 1412 recalled, 1400 the default patch recalled,
  // 0 for a store into the default patch or a slot that does not exist (which
  // change nothing).
  int ApplySlot(Stream& stream, int bank, int slot, int modifiers, const GlideTiming& timing);
  // A slot button click (1400 .. 1420) on the shown bank: ApplySlot, then the
  // stream records the patch it uses. Returns the notice, 0 when nothing happened.
  int ClickSlot(Stream& stream, int button_slot, int modifiers, const GlideTiming& timing);
  // "Clear Patch": empties the selected slot of the shown bank when its button
  // is pressed. Returns 1401, or 0 when there was nothing to clear.
  int ClearPatch();

  // The slot whose button shows pressed in the shown bank: 0 for the default
  // patch, 1 .. 20, or -1 for none.
  int PressedSlot() const;

  // ShowBank: the panel switches to bank `i`; returns the status text that
  // says which streams use it.
  std::string ShowBank(int i, const StreamTable& streams);
  // MarkPatchButton: the selection follows a newly selected stream.
  void MarkPatchButton(const Stream& stream);
  // Whether the stream's patch names a stored slot (its status text).
  bool StreamSlotStored(const Stream& stream) const;

  // For the Gesture Window: every stored patch, banks A .. H and slots 1 .. 20
  // in order; and the patch a code names (the default patch for 0), or null
  // when the code names no stored patch.
  std::vector<StoredPatch> StoredPatches() const;
  const PatchSlot* PatchOfCode(uint16_t code) const;
  static uint16_t PatchCode(int bank, int slot);

 private:
  void Recall(Stream& stream, const PatchSlot& patch, int modifiers, const GlideTiming& timing);

  std::array<PatchBank, kBankCount> banks_{};
  PatchSlot default_patch_;
  int current_bank_ = 0;
  int current_slot_ = kNoSlot;
  int patch_source_bank_ = kNoBank;
};

// The name a patch records for the stream's sound: its path, or "sifter_sine".
std::string SoundNameOf(const Stream& stream);

}  // namespace kornmill
