// The scroll rule: line, page and thumb steps, the clamp, and Shift for the default.
#include "controls/scroll_rule.h"

#include <algorithm>
#include <cstdint>

namespace kornmill {

namespace {

// The position an action asks for before the clamp; nothing when not handled.
std::optional<int> StepPosition(int position, ScrollAction action, int tracked) {
  switch (action) {
    case ScrollAction::kLineUp:
      return position - 1;
    case ScrollAction::kLineDown:
      return position + 1;
    case ScrollAction::kPageUp:
      return position - kScrollPage;
    case ScrollAction::kPageDown:
      return position + kScrollPage;
    case ScrollAction::kThumbTrack:
      // Thumb positions travel as 16-bit values.
      return static_cast<int16_t>(tracked);
    case ScrollAction::kOther:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ScrollMove> ScrollControl(const ControlRow& row, int position, ScrollAction action,
                                        int tracked, ScrollModifiers modifiers) {
  std::optional<int> stepped = StepPosition(position, action, tracked);
  if (!stepped) return std::nullopt;
  ScrollMove move;
  move.position =
      modifiers.shift ? row.default_position : std::clamp(*stepped, row.minimum, row.maximum);
  move.value = ValueFromPosition(row, move.position);
  move.quick = modifiers.ctrl;
  return move;
}

}  // namespace kornmill
