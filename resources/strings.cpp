// The string table: texts keyed by the id of the control, command or notice they belong to.
#include "resources/strings.h"

#include <algorithm>
#include <iterator>

namespace kornmill {
namespace {

struct Entry {
  int id;
  std::string_view text;
};

// Kept sorted by id; a static_assert below checks it.
constexpr Entry kTable[] = {
    {112, "MIDI input"},
    {113, "Sound output"},

    // Patch notices.
    {1400, "Restore the default patch (straight playback of sound)"},
    {1401, "Deleted current patch"},
    {1410, "This slot is empty. Shift- or Ctrl-click to store visible values/what you're hearing"},
    {1411, "Stored current set of scrollbar values for grain generation"},
    {1412, "Restore a patch for grain generation"},

    // Control descriptions, shown when a scrollbar is first touched.
    {1500, "Set starting position for the currently used part of sound file"},
    {1501, "Random deviation from start position of soundfile loop"},
    {1502, "Set length of used part of sound file"},
    {1503, "Degree of randomness for loop length"},
    {1504, "Soundfile playback rate (distance between starting points of consecutive grains)"},
    {1505, "Sets span of soundfile playback rate scroll (Rate range: +/-1.3 through +/-23)"},
    {1506, "Amplitude modulation of distance in soundfile between consecutive grains"},
    {1507, "Frequency of new grains"},
    {1508, "Degree of randomness for grain generation frequency"},
    {1509, "Amplitude modulation of grain frequency"},
    {1510, "Grain length"},
    {1511, "Degree of randomness for grain length"},
    {1512, "Amplitude modulation of grain length"},
    {1513, "Grain pitch (playback rate of each soundfile chunk)"},
    {1514, "Degree of randomness for grain pitch"},
    {1515, "Amplitude modulation of grain internal pitch"},
    {1516, "Grain glissando (playback speed at end of grain)"},
    {1517, "Degree of randomness for grain glissando"},
    {1518, "Amplitude modulation of grain glissando"},
    {1519, "Attack in percents of grain length"},
    {1520, "Attack randomness"},
    {1521, "Decay in percents of grain length"},
    {1522, "Decay randomness"},
    {1523, "Sets output amplitude"},
    {1524, "Amplitude modulation of output amp (compress/expand)"},
    {1525, "Panning randomness (only used with stereo output)"},
    {1526, "Amplitude modulation of panning randomness (only with stereo output)"},
    {1527, "Absolute left-right position (only used with stereo output)"},
    {1528, "Sets the time it will take for scroll value changes to take full effect"},

    // Bank notices.
    {1600, "View a different patch bank"},
    {1601, "Loaded a patch bank file into current bank"},
    {1602, "Saved current patch bank as <Bank name>.kpb"},
    {1603, "Closed current patch bank"},
    {1604, "You must name this bank to save as a file"},
    {1605, "Nothing to save in bank"},
    {1606, "Bank Name?"},

    // Settings value names.
    {5001, "Software\\Klangforge\\Kornmill\\"},
    {5002, "Sample rate"},
    {5003, "Selected devices"},
    {5004, "Sound buffers"},
    {5006, "Soundfile out folder"},
    {5007, "Soundfile in folder"},
    {5009, "Sound options"},
    {5010, "Do startup login"},
    {5011, "Soundfile max count"},
    {5020, "MIDI input channel"},
    {5023, "MIDI monitor"},
    {5030, "MIDI response (0)"},
    {5031, "MIDI response (1)"},
    {5032, "MIDI response (2)"},
    {5033, "MIDI response (3)"},
    {5034, "MIDI response (4)"},
    {5035, "MIDI response (5)"},
    {5036, "MIDI response (6)"},

    // Menu help texts, shown while an item is highlighted.
    {40001, "Load a 16-bit WAV soundfile into memory for chopping"},
    {40003, "Quits program"},
    {40004, "Opens dialog to configure MIDI input and sound output options"},
    {40005, "Begin playing sound"},
    {40006, "About Sifter"},
    {40007, "Use 110 Hz sine wave as base sound"},
    {40010, "Open window of four patches -- mix between patches by mouse control"},
    {40011, "Manage patch database"},
    {40012, "Save current set of patches to disk"},
    {40014, "Input from left channel of sound file"},
    {40015, "Input from right channel of sound file"},
    {40016,
     "Switch between using numbered output files (01-99) or reusing the same file every time."},
    {40017, "Respond to MIDI program changes"},
    {40018, "Configuration of MIDI note/pitchbend and velocity/aftertouch response"},
    {40019, "Save current session under a new file name"},
    {40020, "Open a Kornmill session file"},
    {40024, "Load and unload sounds when loading a patch bank (except in performance)"},
    {40025, "Use 110 Hz sine wave as base sound"},
    {40027, "Write 16-bit output soundfiles."},
    {40028, "Write 24-bit output soundfiles."},
    {40029, "Write 32-bit output soundfiles."},
    {40030, "Restart the sound from beginning when playback begins"},
    {40031, "Force a new grain when soundfile loop wraps around"},
    {40032, "Output stereo audio (you may need to review buffer settings)"},
    {40033, "Fade out at stop play to avoid clicks in output"},
    {40035, "Select the folder to which Sifter output soundfile is written"},
    {40046, "Select mode of fine controllers (36-64)"},
    {40060, "Show or hide the sound view -- the waveform with its loop and the sounding grains"},
};

constexpr bool IsSorted() {
  for (std::size_t i = 1; i < std::size(kTable); ++i) {
    if (kTable[i - 1].id >= kTable[i].id) return false;
  }
  return true;
}
static_assert(IsSorted(), "string table must be sorted by id");

}  // namespace

std::string_view LoadText(int id) {
  auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                             [](const Entry& e, int key) { return e.id < key; });
  if (it == std::end(kTable) || it->id != id) return {};
  return it->text;
}

int TextCount() {
  return static_cast<int>(std::size(kTable));
}

}  // namespace kornmill
