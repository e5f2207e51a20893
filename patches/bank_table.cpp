// Store and recall of patches, the slot selection and the bank switch.
#include "patches/bank_table.h"

#include <cmath>

#include "base/sound.h"
#include "controls/control.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

// Recall sets controls 0 .. 26: the absolute pan position (27) stays where the
// player put it, though a store records it.
constexpr int kRecalledControls = kPan;
constexpr int kCodeBankUnit = 256;

}  // namespace

std::string SoundNameOf(const Stream& stream) {
  if (!stream.sound || stream.sound->builtin) return kSineSoundName;
  return stream.sound->path;
}

BankTable::BankTable() {
  default_patch_.flags = kSlotStored;
  for (int k = 0; k < kPatchValues; ++k)
    default_patch_.values[static_cast<size_t>(k)] = DefaultValue(k);
  default_patch_.extra_value = DefaultValue(kChangeTime);
  // At start the stream plays the default patch, whose button shows pressed.
  current_slot_ = kDefaultSlot;
}

void BankTable::Recall(Stream& stream, const PatchSlot& patch, int modifiers,
                       const GlideTiming& timing) {
  const float time =
      (modifiers & kModCtrl) ? kQuickRecallTime : static_cast<float>(timing.change_time);
  for (int k = 0; k < kRecalledControls; ++k) {
    const int32_t v = patch.values[static_cast<size_t>(k)];
    ControlRecord& c = stream.controls[static_cast<size_t>(k)];
    c.target = v;
    StartSmoothing(c, v, time, timing.rate, timing.frame_clock);
  }
}

int BankTable::ApplySlot(Stream& stream, int bank, int slot, int modifiers,
                         const GlideTiming& timing) {
  const bool store = (modifiers & kModShift) != 0;
  const bool in_bank = bank >= 0 && bank < kBankCount && slot >= 1 && slot <= kSlotsPerBank;
  if (!in_bank && !(bank == kDefaultBank && slot == kDefaultSlot)) return 0;
  int notice = 0;
  if (bank == kDefaultBank) {
    if (store) return 0;
    Recall(stream, default_patch_, modifiers, timing);
    notice = kNoticeDefaultPatch;
  } else if (!store) {
    const PatchSlot& patch = banks_[static_cast<size_t>(bank)].slot(slot);
    if (!patch.stored()) return kNoticeEmptySlot;
    Recall(stream, patch, modifiers, timing);
    notice = kNoticeRestoredPatch;
  } else {
    std::array<int32_t, kPatchValues> values{};
    for (int k = 0; k < kPatchValues; ++k) {
      const ControlRecord& c = stream.controls[static_cast<size_t>(k)];
      // Shift stores the visible targets; Shift+Ctrl what is heard: the current,
      // still gliding values.
      values[static_cast<size_t>(k)] =
          (modifiers & kModCtrl) ? static_cast<int32_t>(std::lround(c.current)) : c.target;
    }
    banks_[static_cast<size_t>(bank)].Store(slot, SoundNameOf(stream), values);
    notice = kNoticeStoredPatch;
  }
  patch_source_bank_ = current_bank_;
  current_slot_ = slot;
  return notice;
}

int BankTable::ClickSlot(Stream& stream, int button_slot, int modifiers,
                         const GlideTiming& timing) {
  const bool is_default = button_slot == kDefaultSlot;
  // Storing into the default patch changes nothing.
  if (is_default && (modifiers & kModShift)) return 0;
  const int notice =
      ApplySlot(stream, is_default ? kDefaultBank : current_bank_, button_slot, modifiers, timing);
  if (notice != kNoticeEmptySlot && notice != 0) {
    stream.patch_bank = current_bank_;
    stream.patch_slot = button_slot;
  }
  return notice;
}

int BankTable::ClearPatch() {
  // Only the slot shown pressed, and only when it holds a patch: a selection
  // left over from a closed or reloaded bank clears nothing.
  const int slot = PressedSlot();
  if (slot < 1) return 0;
  shown().ClearSlot(slot);
  current_slot_ = kNoSlot;
  return kNoticeDeletedPatch;
}

int BankTable::PressedSlot() const {
  if (current_slot_ == kDefaultSlot) return kDefaultSlot;
  if (current_slot_ >= 1 && patch_source_bank_ == current_bank_ &&
      bank(current_bank_).slot(current_slot_).stored()) {
    return current_slot_;
  }
  return kNoSlot;
}

std::string BankTable::ShowBank(int i, const StreamTable& streams) {
  current_bank_ = i;
  MarkPatchButton(streams.current());
  std::string text = "Bank is used by stream";
  bool used = false;
  for (int s = 0; s < streams.count(); ++s) {
    const Stream& stream = streams[s];
    if (stream.state == 0 || stream.patch_bank != i || stream.patch_slot == kDefaultSlot) continue;
    text += " " + std::to_string(s + 1);
    used = true;
  }
  return used ? text : "Bank is not used by any stream";
}

void BankTable::MarkPatchButton(const Stream& stream) {
  if (stream.patch_slot != kDefaultSlot && stream.patch_bank != current_bank_) {
    current_slot_ = kNoSlot;
  } else {
    current_slot_ = stream.patch_slot;
  }
}

bool BankTable::StreamSlotStored(const Stream& stream) const {
  if (stream.patch_bank < 0 || stream.patch_bank >= kBankCount) return false;
  if (stream.patch_slot < 1 || stream.patch_slot > kSlotsPerBank) return false;
  return bank(stream.patch_bank).slot(stream.patch_slot).stored();
}

std::vector<StoredPatch> BankTable::StoredPatches() const {
  std::vector<StoredPatch> out;
  for (int b = 0; b < kBankCount; ++b) {
    for (int s = 1; s <= kSlotsPerBank; ++s) {
      if (bank(b).slot(s).stored()) out.push_back({b, s, PatchCode(b, s)});
    }
  }
  return out;
}

uint16_t BankTable::PatchCode(int bank, int slot) {
  return static_cast<uint16_t>((bank + 1) * kCodeBankUnit + slot - 1);
}

const PatchSlot* BankTable::PatchOfCode(uint16_t code) const {
  if (code == 0) return &default_patch_;
  const int b = code / kCodeBankUnit - 1;
  const int s = code % kCodeBankUnit + 1;
  if (b < 0 || b >= kBankCount || s > kSlotsPerBank) return nullptr;
  const PatchSlot& slot = bank(b).slot(s);
  return slot.stored() ? &slot : nullptr;
}

}  // namespace kornmill
