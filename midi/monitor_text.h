// The MIDI monitor's status-bar line for one short message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kornmill {

// The name of a status byte's high nibble: 8 "Note off" … 15 "System";
// below 8 "(Error?)".
std::string_view MidiStatusName(int status);

// "MIDI input: Chn %d, %s %d, %d", or for a control change with controller
// 122 or above "MIDI input: Channel mode (ch %d), command: %d, %d"; the
// channel counts from 1. Any thread.
std::string MonitorText(uint32_t message);

}  // namespace kornmill
