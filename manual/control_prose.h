// What each of the 29 controls does, in words for players, with {{figures}} for its numbers.
#pragma once

#include <array>
#include <string_view>

#include "controls/control_table.h"

namespace kornmill {

struct ControlProse {
  std::string_view name;  // what the manual calls the control
  std::string_view html;  // what it does; {{name}} stands for a figure of ManualFigures()
};

extern const std::array<ControlProse, kControls> kControlProse;

}  // namespace kornmill
