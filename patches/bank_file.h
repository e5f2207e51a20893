// The patch-bank file format: a 12-byte header and one record per stored patch, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "patches/patch_slot.h"

namespace kornmill {

class PatchBank;

inline constexpr uint8_t kBankMagic[4] = {'K', 'b', 'n', 'k'};
inline constexpr int32_t kBankFileVersion = 100;       // what this program writes
inline constexpr int32_t kBankVersionWithExtra = 101;  // from here on: 29 values per record
inline constexpr size_t kBankHeaderBytes = 12;
inline constexpr size_t kRecordHeaderBytes = 8;  // flags, 3 reserved bytes, name length
// The most bytes the header and records of a valid file can take; whatever
// follows the last record is never read.
inline constexpr size_t kMaxBankFileBytes =
    kBankHeaderBytes +
    kSlotsPerBank * (kRecordHeaderBytes + kMaxSoundNameBytes + 4 * (kPatchValues + 1));

enum class BankFileStatus {
  kOk,       // `patches` holds the records
  kInvalid,  // not a patch-bank file: wrong magic, bad count, a record cut short or absurd
  kEmpty,    // a valid header announcing no records
};

struct ParsedBankFile {
  BankFileStatus status = BankFileStatus::kInvalid;
  int32_t version = 0;
  // The records in file order, each marked stored and not changed, its values
  // clamped to the ranges of their controls.
  std::vector<PatchSlot> patches;
};

// Reads a bank file's bytes. Trusts nothing: every count and length is checked
// against what is left before it is used. Any thread; allocates at most 20 slots.
ParsedBankFile ParseBankFile(std::span<const uint8_t> bytes);

// The file of a bank: version 100, the stored slots in slot order.
std::vector<uint8_t> SerializeBank(const PatchBank& bank);

}  // namespace kornmill
