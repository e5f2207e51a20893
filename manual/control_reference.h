// The manual's reference of the 29 controls, made from the control table and the value texts.
#pragma once

#include <array>
#include <string>

#include "controls/control_table.h"

namespace kornmill {

// What the status bar shows for control k when the controls hold `values`:
// the text a player reads while moving the scrollbar. The loop controls,
// whose texts need a sound, read as per cent of the sound; the rate range as
// the rate at the top of the rate scrollbar; the change time in seconds.
std::string ControlValueText(int k, const std::array<int, kControls>& values);
// The same with the other controls at their defaults.
std::string ControlValueText(int k, int value);

// The reference as HTML: one table per group box, one row per control
// (`<tr id="control-K" data-min=.. data-max=.. data-default=..>`) with its
// label, what it does, its range and its default.
std::string ControlReferenceHtml();

}  // namespace kornmill
