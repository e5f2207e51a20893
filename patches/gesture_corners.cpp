// Corner list items from the stored patches and the initial-corner rule.
#include "patches/gesture_corners.h"

#include <cstdio>

#include "patches/bank_names.h"
#include "patches/bank_table.h"

namespace kornmill {

std::vector<CornerItem> CornerListItems(const BankTable& banks) {
  std::vector<CornerItem> items;
  items.push_back({"Default", 0, -1});
  for (const StoredPatch& p : banks.StoredPatches()) {
    char head[16];
    std::snprintf(head, sizeof head, "%c%d (", BankLetter(p.bank), p.slot);
    std::string text = head;
    text += FirstCharacters(banks.bank(p.bank).name(), kCornerBankNameChars);
    text += ')';
    items.push_back({std::move(text), p.code, p.bank});
  }
  return items;
}

std::array<int, kGestureCorners> InitialCornerItems(const std::vector<CornerItem>& items,
                                                    int shown_bank) {
  const int n = static_cast<int>(items.size());
  int f = 0;
  for (int i = 0; i < n; ++i) {
    if (items[static_cast<size_t>(i)].bank == shown_bank) {
      f = i;
      break;
    }
  }
  if (n <= kGestureCorners) {
    f = 0;
  } else if (n - f < kGestureCorners) {
    f = n - kGestureCorners;
  }
  std::array<int, kGestureCorners> chosen{};
  for (int c = 0; c < kGestureCorners; ++c) chosen[static_cast<size_t>(c)] = f + c < n ? f + c : 0;
  return chosen;
}

}  // namespace kornmill
