// Short messages by status: the monitor, system real-time messages, the channel filter, notes,
// pressure, program changes and pitch bend.
#include "midi/midi_decoder.h"

#include "engine/engine.h"
#include "midi/midi_numbers.h"

namespace kornmill {

namespace {

constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kPolyPressure = 0xA0;
constexpr int kControlChange = 0xB0;
constexpr int kProgramChange = 0xC0;
constexpr int kChannelPressure = 0xD0;
constexpr int kPitchBend = 0xE0;
constexpr int kSystem = 0xF0;
constexpr int kStart = 0xFA;
constexpr int kContinue = 0xFB;
constexpr int kStop = 0xFC;
constexpr int kDataMask = 0x7F;

// The buttons programs press: slot buttons for 0..20, bank buttons for 30..37.
constexpr int kSlotButtonBase = 1400;
constexpr int kBankButtonBase = 1600;

// Velocities and pressures are spread from 0..127 to 0..128 around 64.
int SpreadVelocity(int v) {
  if (v > 64) return v + 1;
  if (v < 64) return v - 1;
  return v;
}
int SpreadPressure(int v) {
  if (v > 64) return v + 1;
  if (v >= 1 && v <= 63) return v - 1;
  return v;
}

}  // namespace

MidiDecoder::MidiDecoder(const MidiConfig& config, StreamTable& streams, Engine& engine,
                         MidiHost& host)
    : config_(config), streams_(streams), engine_(engine), host_(host) {
  scales_ = ComputeMidiScales();
  Reset();
}

void MidiDecoder::Reset() {
  state_.held_note = -1;
  state_.held_velocity = -1;
  state_.bend = 0;
  for (int s = 0; s < StreamTable::kCapacity; ++s) {
    for (int k = 0; k < kControls; ++k) coarse_[s][k] = streams_[s].controls[k].midi_value;
  }
}

void MidiDecoder::MidiInProc(uint32_t message) {
  // Identical repeats (a running clock, active sensing) are shown once.
  if (config_.monitor && message != state_.last_monitored) {
    host_.PostMonitor(message);
    state_.last_monitored = message;
  }
  const int status = static_cast<int>(message & 0xFF);
  const int d1 = static_cast<int>((message >> 8) & kDataMask);
  const int d2 = static_cast<int>((message >> 16) & kDataMask);
  if (status >= kSystem) {
    OnSystem(status);
    return;
  }
  if (status < kNoteOff) return;  // stray data bytes carry no status
  int stream = 0;
  if (!StreamOfChannel(status & 0x0F, &stream)) return;
  switch (status & 0xF0) {
    case kNoteOff:
      OnNoteOff(d1);
      break;
    case kNoteOn:
      if (d2 == 0) {
        OnNoteOff(d1);
      } else {
        OnNoteOn(stream, d1, d2);
      }
      break;
    case kPolyPressure:
      if (d1 == state_.held_note) OnPressure(stream, d2);
      break;
    case kControlChange:
      OnControlChange(stream, d1, d2);
      break;
    case kProgramChange:
      OnProgram(stream, d1);
      break;
    case kChannelPressure:
      OnPressure(stream, d1);
      break;
    case kPitchBend:
      OnPitchBend(stream, d1, d2);
      break;
    default:
      break;
  }
}

void MidiDecoder::OnSystem(int status) {
  switch (status) {
    case kStart:
      // Start during a soft stop brings the sound back, as a note would.
      if (!Sounding()) MidiNoteStart(-1);
      break;
    case kContinue:
      MidiNoteStart(-1);
      break;
    case kStop:
      if (host_.playing()) MidiNoteStop();
      break;
    default:
      break;
  }
}

bool MidiDecoder::StreamOfChannel(int channel, int* stream) const {
  if (config_.channel != kChannelByStream) {
    if (channel + 1 != config_.channel) return false;
    *stream = streams_.current_index();
    return streams_.count() > 0;
  }
  // Channel 1 plays the first stream, channel 2 the second, as far as they exist.
  if (channel >= StreamTable::kCapacity || channel >= streams_.count()) return false;
  *stream = channel;
  return true;
}

void MidiDecoder::OnNoteOff(int key) {
  if (state_.held_note < 0 || !host_.playing() || key != state_.held_note) return;
  if (!config_.note_to_pitch && config_.stop_mode != kStopAtNoteOff) return;
  state_.held_note = -1;
  state_.held_velocity = -1;
  state_.aftertouch = 0;
  MidiNoteStop();
}

void MidiDecoder::OnNoteOn(int stream, int key, int velocity) {
  state_.target_stream = stream;
  state_.held_note = key;
  state_.held_velocity = SpreadVelocity(velocity);
  // In stop mode 2 a second note stops a sounding performance, unless the
  // start asked for by an earlier note has not been acted on yet.
  if (config_.stop_mode == kStopAtNewNote && Sounding() && !start_pending_) {
    MidiNoteStop();
    return;
  }
  MidiNoteStart(stream);
}

void MidiDecoder::OnPressure(int stream, int value) {
  state_.aftertouch = SpreadPressure(value);
  if (state_.held_note > 0) ApplyRows(kSourceAftertouch, kSourceAftertouch, stream, false);
}

void MidiDecoder::OnProgram(int stream, int program) {
  if (!config_.program_change) return;
  if (program <= kLastSlotProgram) {
    host_.PostProgram(kSlotButtonBase + program, stream);
  } else if (program >= kFirstBankProgram && program <= kLastBankProgram) {
    host_.PostProgram(kBankButtonBase + program - kFirstBankProgram, stream);
  }
}

void MidiDecoder::OnPitchBend(int stream, int lsb, int msb) {
  const int m = msb > 64 ? msb + 1 : msb;
  state_.bend = (m - 64) * 256 + lsb;
  // With no note held there is no pitch to bend: the pitch stays as it is.
  if (config_.note_to_pitch && config_.bend_range != 0 && state_.held_note >= 0) {
    ApplyNotePitch(stream);
  }
  ApplyRows(kSourceBend, kSourceBend | kSourceNote, stream, false);
}

}  // namespace kornmill
