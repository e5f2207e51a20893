// Parsing and writing patch-bank files over byte spans.
#include "patches/bank_file.h"

#include <algorithm>
#include <cstring>

#include "controls/control_table.h"
#include "patches/patch_bank.h"

namespace kornmill {

namespace {

// Reads little-endian fields from a span; every read is checked against what is left.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - at_; }
  bool Take(size_t n, const uint8_t** out) {
    if (n > left()) return false;
    *out = bytes_.data() + at_;
    at_ += n;
    return true;
  }
  bool U32(uint32_t* v) {
    const uint8_t* p = nullptr;
    if (!Take(4, &p)) return false;
    *v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return true;
  }
  bool I32(int32_t* v) {
    uint32_t u = 0;
    if (!U32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

int32_t ClampToControl(int k, int32_t v) {
  const ControlRow& row = kControlTable[static_cast<size_t>(k)];
  return std::clamp(v, static_cast<int32_t>(row.minimum), static_cast<int32_t>(row.maximum));
}

// One record into `slot`; false when the file cannot hold it.
bool ReadRecord(ByteReader& in, int values, PatchSlot& slot) {
  const uint8_t* head = nullptr;
  uint32_t length = 0;
  if (!in.Take(4, &head) || !in.U32(&length)) return false;
  if (length > kMaxSoundNameBytes || length > in.left()) return false;
  const uint8_t* name = nullptr;
  if (!in.Take(length, &name)) return false;
  // The name ends at its zero; a length of 0 is an empty name.
  const auto* end = static_cast<const uint8_t*>(std::memchr(name, 0, length));
  slot.sound_name.assign(reinterpret_cast<const char*>(name),
                         end ? static_cast<size_t>(end - name) : length);
  // A record in the file is a stored patch whatever its flags say; it is not
  // changed since the bank was read.
  slot.flags = static_cast<uint8_t>((head[0] | kSlotStored) & ~kSlotChanged);
  std::copy(head + 1, head + 4, slot.reserved.begin());
  for (int k = 0; k < values; ++k) {
    int32_t v = 0;
    if (!in.I32(&v)) return false;
    // A value outside its control's range could reach the engine's divisions.
    if (k < kPatchValues) {
      slot.values[static_cast<size_t>(k)] = ClampToControl(k, v);
    } else {
      slot.extra_value = ClampToControl(kChangeTime, v);
    }
  }
  return true;
}

}  // namespace

ParsedBankFile ParseBankFile(std::span<const uint8_t> bytes) {
  ParsedBankFile out;
  ByteReader in(bytes);
  const uint8_t* magic = nullptr;
  int32_t count = 0;
  if (!in.Take(4, &magic) || !in.I32(&out.version) || !in.I32(&count)) return out;
  if (std::memcmp(magic, kBankMagic, sizeof kBankMagic) != 0) return out;
  if (count < 0 || count > kSlotsPerBank) return out;
  if (count == 0) {
    out.status = BankFileStatus::kEmpty;
    return out;
  }
  const int values = out.version >= kBankVersionWithExtra ? kPatchValues + 1 : kPatchValues;
  out.patches.resize(static_cast<size_t>(count));
  for (PatchSlot& slot : out.patches) {
    if (!ReadRecord(in, values, slot)) {
      out.patches.clear();
      return out;
    }
  }
  out.status = BankFileStatus::kOk;
  return out;
}

std::vector<uint8_t> SerializeBank(const PatchBank& bank) {
  std::vector<uint8_t> out(kBankMagic, kBankMagic + sizeof kBankMagic);
  PutU32(out, static_cast<uint32_t>(kBankFileVersion));
  PutU32(out, static_cast<uint32_t>(bank.patch_count()));
  for (int n = 1; n <= kSlotsPerBank; ++n) {
    const PatchSlot& s = bank.slot(n);
    if (!s.stored()) continue;
    // Written as a stored patch without the changed mark.
    out.push_back(kSlotStored);
    out.insert(out.end(), s.reserved.begin(), s.reserved.end());
    PutU32(out, s.name_length());
    out.insert(out.end(), s.sound_name.begin(), s.sound_name.end());
    out.push_back(0);
    for (int32_t v : s.values) PutU32(out, static_cast<uint32_t>(v));
  }
  return out;
}

}  // namespace kornmill
