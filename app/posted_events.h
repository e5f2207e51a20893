// The events other threads post to the main window, each a small type with named fields.
//
// Adding an event:
//  1. Declare its struct below: named fields holding values (nothing that points
//     into the poster's stack), and a comment saying who posts it and what it means.
//  2. Post it from any thread: `window.poster().Post(posted::Name{...})`.
//  3. Handle it on the main thread: register the handler in
//     MainWindow::ConnectPostedEvents with `poster_.On<posted::Name>(...)`.
//     An event without a handler is dropped.
// An event of which only the newest matters (a burst from a fast controller)
// also declares `static constexpr int kCoalescedSlots` and `int slot() const`
// (0 .. kCoalescedSlots - 1): while an event of one slot waits in the queue, a
// newer one for that slot only replaces it, and the handler sees the newest.
#pragma once

#include <string>

#include "controls/control_table.h"

namespace kornmill {

struct Sound;

namespace posted {

// Sound loader: `sound` has been loaded for stream `stream` (the stream that
// was current when the load began); attach it.
struct SoundLoaded {
  int stream = 0;
  Sound* sound = nullptr;
};

// Sound loader and other workers: show `text` in status-bar part 1.
struct StatusText {
  std::string text;
};

// MIDI: a note started or stopped; each toggles play.
struct MidiNoteStart {};
struct MidiNoteStop {};

// MIDI monitor: the line describing the newest MIDI message, for status-bar
// part 1. Only the newest waiting line is shown.
struct MidiMonitorLine {
  static constexpr int kCoalescedSlots = 1;
  int slot() const { return 0; }
  std::string text;
};

// MIDI: move the scrollbar of control `control` to `position` (its target is
// set already). Only the newest waiting position of each control is applied.
struct ControlPosition {
  static constexpr int kCoalescedSlots = kControls;
  int slot() const { return control; }
  int control = 0;
  int position = 0;
};

// The window to itself: run menu command `id` once the event loop runs.
struct MenuCommand {
  int id = 0;
};

// MIDI: a program change. `id` is a control id: below 1590 it recalls slot
// id − 1400 of the shown bank (0 the default patch) into stream `stream` as a
// plain click would; from 1590 up the button with that id is clicked (the
// bank buttons 1600 .. 1607).
struct ProgramChange {
  int id = 0;
  int stream = 0;
};

}  // namespace posted
}  // namespace kornmill
