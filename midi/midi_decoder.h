// The MIDI decoder: turns short MIDI messages into play, control, patch and monitor actions.
#pragma once

#include <array>
#include <cstdint>

#include "controls/control_table.h"
#include "controls/stream.h"
#include "midi/midi_config.h"
#include "midi/midi_host.h"

namespace kornmill {

class Engine;

// Short-message layout: status in bits 0..7, first data byte in 8..15,
// second in 16..23.
constexpr uint32_t ShortMessage(int status, int data1 = 0, int data2 = 0) {
  return (static_cast<uint32_t>(status) & 0xFF) | ((static_cast<uint32_t>(data1) & 0xFF) << 8) |
         ((static_cast<uint32_t>(data2) & 0xFF) << 16);
}

// What the played notes have left behind.
struct PerformanceState {
  int target_stream = 0;   // stream of the last note
  int held_note = -1;      // key of the sounding note, or -1
  int held_velocity = -1;  // its adjusted velocity 0 .. 128, or -1
  int bend = 0;            // -16384 .. 16511, 0 at the centre
  int aftertouch = 0;      // 0 .. 128
  uint32_t last_monitored = 0xFFFFFFFFu;
};

// One instance for the program (and one per offline render). Every call runs
// on the render side with the render lock held: the decoder writes the
// stream's control records and the engine's frame clock directly, so it never
// races the renderer. It must not block: what reaches the window is posted.
class MidiDecoder {
 public:
  MidiDecoder(const MidiConfig& config, StreamTable& streams, Engine& engine, MidiHost& host);

  // Clears the held note and velocity and the pitch bend, and takes the
  // coarse MIDI values from the streams' control records (start-up).
  void Reset();

  // One short message from the input (status, data 1, data 2).
  void MidiInProc(uint32_t message);

  // A note (stream >= 0) or MIDI Start/Continue (-1) starts or keeps the sound.
  void MidiNoteStart(int stream);
  void MidiNoteStop();
  // Applies expression row `row` (1..6) to `stream` with only the MIDI
  // quantities named in `flags`. False for a row without a parameter (the
  // stored rows are checked when read, so none reaches here).
  bool MapMIDIresponse(uint32_t flags, int row, int stream);
  // Sets the pitch control from the held note and the pitch bend.
  void ApplyNotePitch(int stream);

  // The main window has acted on a start request (the one PostPlay(true)
  // left pending).
  void PlayStartHandled() { start_pending_ = false; }

  const PerformanceState& performance() const { return state_; }
  // The last coarse controller value of control k of `stream`.
  int coarse_value(int stream, int k) const { return coarse_[stream][k]; }

 private:
  void OnSystem(int status);
  bool StreamOfChannel(int channel, int* stream) const;
  void OnNoteOff(int key);
  void OnNoteOn(int stream, int key, int velocity);
  void OnPressure(int stream, int value);
  void OnProgram(int stream, int program);
  void OnPitchBend(int stream, int lsb, int msb);
  void OnControlChange(int stream, int controller, int value);
  bool FineValue(int stream, int k, int v, int* value);
  // Applies each row whose source has a `trigger` flag, with its flags that
  // are in `pass`; a note start stops at the first empty row.
  void ApplyRows(uint32_t trigger, uint32_t pass, int stream, bool stop_at_empty);
  void Glide(int stream, int k, int value, float change_time, int position);
  void ResetFrameClock();
  bool Sounding() const { return host_.playing() && !host_.stopping(); }

  const MidiConfig& config_;
  StreamTable& streams_;
  Engine& engine_;
  MidiHost& host_;
  MidiScales scales_;
  PerformanceState state_;
  std::array<std::array<int, kControls>, StreamTable::kCapacity> coarse_{};
  bool start_pending_ = false;
};

}  // namespace kornmill
