// The items of the gesture pad's four corner lists and the corners they start with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "patches/gesture_mix.h"

namespace kornmill {

class BankTable;

// One list item: "Default" (code 0), or a stored patch "%c%d (%s)" with its
// bank letter, slot number and bank name cut to 12 characters.
struct CornerItem {
  std::string text;
  uint16_t code = 0;  // 0 the default patch, else (bank + 1) × 256 + slot − 1
  int bank = -1;      // 0 .. 7; -1 for "Default"
};

// A bank name in a list item keeps this many characters.
inline constexpr int kCornerBankNameChars = 12;

// "Default", then every stored patch of banks A .. H, slots 1 .. 20 in order.
std::vector<CornerItem> CornerListItems(const BankTable& banks);

// The item each corner list starts on, in GestureCorner order. With n items,
// f is the first item of the shown bank (0 when it has none); with n ≤ 4,
// f = 0; when fewer than four items lie from f to the end, f = n − 4. Corner c
// takes item f + c, or item 0 ("Default") when there is no such item.
std::array<int, kGestureCorners> InitialCornerItems(const std::vector<CornerItem>& items,
                                                    int shown_bank);

}  // namespace kornmill
