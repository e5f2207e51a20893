// The scroll rule of the control scrollbars: where a user action moves a control.
#pragma once

#include <optional>

#include "controls/control_table.h"

namespace kornmill {

// The scroll actions a control handles; the others (top, bottom, the end of a
// drag) are ignored.
enum class ScrollAction { kLineUp, kLineDown, kPageUp, kPageDown, kThumbTrack, kOther };

// The modifier keys held during a scroll action.
struct ScrollModifiers {
  bool shift = false;  // reset the control to its default
  bool ctrl = false;   // a quick change: glide in 6/64 s whatever the change time
};

// Where a handled action leaves a control.
struct ScrollMove {
  int position = 0;    // the scrollbar's new position
  int value = 0;       // the control's new value: minimum + maximum - position
  bool quick = false;  // glide in 6/64 s (Ctrl)
};

// Moves a control of table row `row` from scrollbar position `position` by
// `action`: a line is one step, a page kScrollPage steps, thumb tracking goes
// to `tracked` (read as a signed 16-bit value). With Shift the control goes to
// its default position; otherwise the position is clamped to the row's
// minimum .. maximum, so that the value stays in range. Nothing for the
// actions that are not handled.
std::optional<ScrollMove> ScrollControl(const ControlRow& row, int position, ScrollAction action,
                                        int tracked, ScrollModifiers modifiers);

}  // namespace kornmill
