// One patch slot: a stored set of control values and the sound it was stored with.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kornmill {

inline constexpr int kBankCount = 8;      // banks A .. H
inline constexpr int kSlotsPerBank = 20;  // slot numbers 1 .. 20
inline constexpr int kPatchValues = 28;   // controls 1500 .. 1527

// Slot flags.
inline constexpr uint8_t kSlotStored = 1;   // the slot holds a patch
inline constexpr uint8_t kSlotChanged = 2;  // changed since the bank was last written

// The longest sound name a slot keeps, with its terminating zero; a bank file
// with a longer one is broken.
inline constexpr uint32_t kMaxSoundNameBytes = 4096;

// The name recorded for the built-in test tone.
inline constexpr const char* kSineSoundName = "sifter_sine";

struct PatchSlot {
  uint8_t flags = 0;
  std::array<uint8_t, 3> reserved{};  // not interpreted; kept from a file
  std::string sound_name;             // empty for an empty slot
  std::array<int32_t, kPatchValues> values{};
  int32_t extra_value = 0;  // control 1528: the default patch and version-101 files only

  bool stored() const { return (flags & kSlotStored) != 0; }
  bool changed() const { return (flags & kSlotChanged) != 0; }
  // Length of the sound name as a bank file records it: with its terminating zero.
  uint32_t name_length() const {
    return stored() ? static_cast<uint32_t>(sound_name.size() + 1) : 0;
  }
};

}  // namespace kornmill
