// Where the items of the main window (dialog 103, 467 × 315 dialog units) stand.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "app/dialog_units.h"

namespace kornmill {

inline constexpr int kDialogWidthDu = 467;
inline constexpr int kDialogHeightDu = 315;

// One group box and the controls whose scrollbars stand in it, left to right.
struct GroupLayout {
  int id;                  // 1092 .. 1097
  std::string_view title;  // caption, drawn in the bold group font
  DuRect rect;
};

// The six group boxes, in id order.
const std::array<GroupLayout, 6>& GroupBoxes();

// A scrollbar and its caption (empty rectangle for the controls without one).
struct ControlLayout {
  DuRect bar;
  DuRect label;
  bool horizontal = false;
};

// Scrollbar k (0 .. 28) of the control table.
ControlLayout ControlPlacement(int k);

// The other items.
DuRect StreamTabsRect();
DuRect PlayButtonRect();
DuRect FileButtonRect();
DuRect ChangeTimeTextRect();  // item 1038, below the patch banks

}  // namespace kornmill
