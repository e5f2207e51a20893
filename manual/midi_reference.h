// The manual's MIDI figures and controller table, made from the MIDI library's numbers and lists.
#pragma once

#include <string>

#include "manual/figures.h"

namespace kornmill {

// The MIDI numbers a page quotes: controllers, programs, channels, the response
// dialog's lists and limits.
void AddMidiFigures(FigureMap& figures);

// The controllers of the controls as HTML: one row per control with its number
// (a link to its row in the control reference), its name and its coarse and
// fine controllers (`<tr id="midi-K" data-coarse=.. data-fine=..>`).
std::string MidiControllerHtml();

}  // namespace kornmill
