// Standard MIDI Files (formats 0 and 1): their channel messages on a timeline of seconds.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kornmill {

// A file that is not a usable Standard MIDI File; the text says why.
class MidiFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MidiFileEvent {
  double seconds = 0;     // from the start of the file, through every tempo change
  uint32_t message = 0;   // short message: status, data 1, data 2 in bytes 0, 1, 2
};

struct MidiFile {
  int format = 0;
  int tracks = 0;
  // Channel messages (and real-time messages escaped with 0xF7) of all
  // tracks in time order; at the same time, earlier
  // tracks first, then file order.
  std::vector<MidiFileEvent> events;
  // Time of the last event of any kind (the end of the longest track).
  double length_seconds = 0;
};

// Limits that keep a hostile file from taking the machine's memory.
inline constexpr size_t kMaxMidiFileBytes = 64u << 20;
inline constexpr size_t kMaxMidiFileEvents = 4u << 20;

// Reads a file from its bytes. Every length and value is checked before it
// is used; anything broken throws MidiFileError.
MidiFile ParseMidiFile(std::span<const uint8_t> bytes);

// Reads the file at `path` (at most kMaxMidiFileBytes). Throws MidiFileError,
// naming the file, when it cannot be read or parsed.
MidiFile ReadMidiFile(const std::string& path);

}  // namespace kornmill
