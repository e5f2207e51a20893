// libFuzzer entry for the MIDI file reader: any bytes either parse or throw MidiFileError.
#include <cstddef>
#include <cstdint>

#include "midi/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const kornmill::MidiFile f = kornmill::ParseMidiFile({data, size});
    // Times come out in order and finite.
    double last = 0;
    for (const kornmill::MidiFileEvent& e : f.events) {
      if (!(e.seconds >= last) || e.seconds > f.length_seconds) __builtin_trap();
      last = e.seconds;
    }
  } catch (const kornmill::MidiFileError&) {
  }
  return 0;
}
