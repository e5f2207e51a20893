// The main window's item rectangles: group boxes with their scrollbar columns.
#include "app/dialog_layout.h"

#include "controls/control_table.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

constexpr int kBarWidth = 9;   // a vertical scrollbar's width
constexpr int kBarTop = 20;    // from the group's top to the scrollbars' tops
constexpr int kLabelTop = 10;  // from the group's top to the captions
constexpr int kLabelHeight = 8;
constexpr int kGroupInset = 4;     // left and right margin inside a group
constexpr int kPanBarHeight = 9;   // the horizontal pan scrollbar
constexpr int kPanRowHeight = 16;  // room kept under the Output group's vertical bars

const std::array<GroupLayout, 6> kGroups = {{
    {kIdFirstGroupBox + 0, "Soundfile playback", {4, 17, 166, 130}},
    {kIdFirstGroupBox + 1, "Grain density", {174, 17, 142, 130}},
    {kIdFirstGroupBox + 2, "Grain pitch", {4, 150, 128, 134}},
    {kIdFirstGroupBox + 3, "Envelope", {136, 150, 86, 134}},
    {kIdFirstGroupBox + 4, "Output", {226, 150, 90, 134}},
    {kIdFirstGroupBox + 5, "Patch banks", {320, 17, 143, 257}},
}};

const GroupLayout& GroupOf(int k) {
  for (const GroupLayout& g : kGroups) {
    if (g.title == kControlTable[k].group) return g;
  }
  return kGroups.back();
}

// Column of control k in its group and the number of vertical bars there.
void ColumnOf(int k, int* column, int* columns) {
  *column = 0;
  *columns = 0;
  const std::string_view group = kControlTable[k].group;
  for (int j = 0; j < kGrainControls; ++j) {
    if (j == kPan || kControlTable[j].group != group) continue;
    if (j < k) ++*column;
    ++*columns;
  }
}

}  // namespace

const std::array<GroupLayout, 6>& GroupBoxes() {
  return kGroups;
}

ControlLayout ControlPlacement(int k) {
  const GroupLayout& group = GroupOf(k);
  const DuRect g = group.rect;
  ControlLayout out;
  if (k == kChangeTimeControl) {
    // The change time stands at the right edge of the patch-bank panel.
    out.bar = {g.x + g.w - kBarWidth - 5, g.y + 10, kBarWidth, g.h - 16};
    return out;
  }
  if (k == kPan) {
    out.horizontal = true;
    out.bar = {g.x + 6, g.y + g.h - kPanRowHeight + 2, g.w - 12, kPanBarHeight};
    return out;
  }
  int column = 0;
  int columns = 1;
  ColumnOf(k, &column, &columns);
  const int pitch = (g.w - 2 * kGroupInset) / columns;
  const int left = g.x + kGroupInset + pitch * column;
  const int bottom = g.y + g.h - (group.title == "Output" ? kPanRowHeight + 2 : 5);
  out.bar = {left + (pitch - kBarWidth) / 2, g.y + kBarTop, kBarWidth, bottom - g.y - kBarTop};
  out.label = {left - 2, g.y + kLabelTop, pitch + 4, kLabelHeight};
  return out;
}

DuRect StreamTabsRect() {
  return {4, 2, 312, 13};
}
DuRect PlayButtonRect() {
  return {320, 2, 56, 13};
}
DuRect FileButtonRect() {
  return {380, 2, 83, 13};
}
DuRect ChangeTimeTextRect() {
  return {320, 277, 143, 10};
}

}  // namespace kornmill
