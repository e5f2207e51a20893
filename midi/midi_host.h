// What the MIDI decoder reads from and posts to the rest of the program.
#pragma once

#include <cstdint>

namespace kornmill {

// The decoder runs on the render side (the thread that renders blocks, with
// the render lock held); so does every call here. The Post… calls must only
// queue: their effects happen after the decoder returns (the program posts
// them to the main window; the offline renderer runs them between blocks).
class MidiHost {
 public:
  virtual ~MidiHost() = default;

  // The audio output's play state.
  virtual bool playing() const = 0;
  virtual bool stopping() const = 0;  // a soft stop is draining
  virtual bool recording() const = 0;

  // A note start (start or keep playing) or a note stop (stop playing).
  virtual void PostPlay(bool start) = 0;
  // A program change: recall patch slot id − 1400 into `stream` (id below
  // 1590), or click the bank button `id` (1600 .. 1607).
  virtual void PostProgram(int id, int stream) = 0;
  // The monitor line for one short message; only the newest waiting one is shown.
  virtual void PostMonitor(uint32_t message) = 0;
  // Move scrollbar k to `position`; only the newest waiting one per control is applied.
  virtual void PostControlPosition(int control, int position) = 0;
};

}  // namespace kornmill
