// Monitor lines: the status names and the two line formats.
#include "midi/monitor_text.h"

#include <array>
#include <cstdio>

namespace kornmill {

namespace {
constexpr int kFirstChannelMode = 122;
constexpr int kControlChange = 0xB;
}  // namespace

std::string_view MidiStatusName(int status) {
  static constexpr std::array<std::string_view, 8> kNames = {
      "Note off", "Note on", "Poly key", "Control", "Program", "Aftertouch", "Pitch bend", "System"};
  const int nibble = (status >> 4) & 0xF;
  if (nibble < 8) return "(Error?)";
  return kNames[static_cast<size_t>(nibble - 8)];
}

std::string MonitorText(uint32_t message) {
  const int status = static_cast<int>(message & 0xFF);
  const int d1 = static_cast<int>((message >> 8) & 0xFF);
  const int d2 = static_cast<int>((message >> 16) & 0xFF);
  const int channel = (status & 0x0F) + 1;
  char text[96];
  if ((status >> 4) == kControlChange && d1 >= kFirstChannelMode) {
    std::snprintf(text, sizeof text, "MIDI input: Channel mode (ch %d), command: %d, %d", channel,
                  d1, d2);
  } else {
    const std::string name(MidiStatusName(status));
    std::snprintf(text, sizeof text, "MIDI input: Chn %d, %s %d, %d", channel, name.c_str(), d1,
                  d2);
  }
  return text;
}

}  // namespace kornmill
