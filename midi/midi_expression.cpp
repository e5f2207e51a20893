// What notes do: note start and stop, the expression rows (MapMIDIresponse), the note pitch and
// the glides they start.
#include <algorithm>
#include <cstdlib>

#include "engine/engine.h"
#include "base/fixed_point.h"
#include "midi/midi_decoder.h"

namespace kornmill {

namespace {

// Controller and response changes glide over 12.8/64 s (0.2 s); the note
// pitch over 0.64/64 s (0.01 s).
constexpr float kMidiGlideTime = 12.8f;
constexpr float kPitchGlideTime = 0.64f;
constexpr int kQuantityMax = 128;
constexpr int kNoNoteValue = 64;  // the note a Note/Pbend row assumes when none is held
constexpr int kBendFull = 16384;

}  // namespace

void MidiDecoder::MidiNoteStart(int stream) {
  const bool playing = host_.playing();
  const bool restart =
      (stream >= 0 && !playing && config_.restart_new) || (playing && config_.restart_tied);
  if (!host_.recording()) ResetFrameClock();
  if (Stream* first = streams_.first()) {
    if (restart) first->loop_position = 0;
    if (!playing) SnapControlsToTargets(*first);
  }
  if (stream >= 0) {
    if (config_.note_to_pitch) ApplyNotePitch(stream);
    ApplyRows(kSourceVelocity | kSourceNote, kSourceVelocity | kSourceNote, stream, true);
  }
  start_pending_ = true;
  host_.PostPlay(true);
}

void MidiDecoder::MidiNoteStop() {
  host_.PostPlay(false);
  if (config_.move_sliders || streams_.count() == 0) return;
  // The scrollbars show the targets again (MIDI did not move them on the way).
  const Stream& s = streams_.current();
  for (int k = 0; k < kControls; ++k) {
    host_.PostControlPosition(k, PositionFromValue(kControlTable[k], s.controls[k].target));
  }
}

void MidiDecoder::ResetFrameClock() {
  // Glides keep the time they have left: their end times move with the clock.
  const int32_t old = engine_.frame_clock();
  engine_.reset_frame_clock();
  MoveGlideEndTimes(streams_, WrapSub(0, old));
}

void MidiDecoder::ApplyRows(uint32_t trigger, uint32_t pass, int stream, bool stop_at_empty) {
  for (int r = 1; r < kResponseRows; ++r) {
    const uint32_t w = config_.response[static_cast<size_t>(r)];
    if (w == 0) {
      if (stop_at_empty) break;
      continue;
    }
    const uint32_t flags = UnpackRow(w).flags;
    if (flags & trigger) MapMIDIresponse(flags & pass, r, stream);
  }
}

bool MidiDecoder::MapMIDIresponse(uint32_t flags, int row, int stream) {
  if (row < 1 || row >= kResponseRows) return false;
  const ExpressionRow r = UnpackRow(config_.response[static_cast<size_t>(row)]);
  if (r.parameter < 1 || r.parameter >= kParameterCount) return false;
  const int c = kResponseParameters[static_cast<size_t>(r.parameter)].control;
  const PerformanceState& p = state_;
  int m = 0;
  if ((flags & kSourceVelocity) && p.held_velocity > 0) m = p.held_velocity;
  if (flags & kSourceAftertouch) m += p.aftertouch;
  if ((flags & (kSourceNote | kSourceBend)) == (kSourceNote | kSourceBend)) {
    // Bending down moves the value towards 0, bending up towards 127.
    const int n = p.held_note >= 0 ? p.held_note : kNoNoteValue;
    const int q = p.bend < 128 ? n : 127 - n;
    m += n + (q * (p.bend >> 7)) / 128;
  } else if (flags & kSourceBend) {
    m = (p.bend >> 8) + 64;
  } else if ((flags & kSourceNote) && p.held_note > 0) {
    m += p.held_note;
  }
  m = std::clamp(m, 0, kQuantityMax);

  const ControlRow& row_range = kControlTable[c];
  int64_t span = row_range.maximum - row_range.minimum;
  int64_t base = row_range.minimum;
  if (c == kRate) {
    // The rate is signed: the row scales its magnitude and keeps its direction.
    span = streams_[stream].controls[c].target < 0 ? -row_range.maximum : row_range.maximum;
    base = 0;
  }
  int64_t value = base + ((r.to - r.from) * span * m / kQuantityMax + span * r.from) / 100;
  value = std::max<int64_t>(value, row_range.minimum);
  const int v = static_cast<int>(value);
  Glide(stream, c, v, kMidiGlideTime, PositionFromValue(row_range, v));
  return true;
}

void MidiDecoder::ApplyNotePitch(int stream) {
  const ControlRecord& pitch = streams_[stream].controls[kPitch];
  const int k = state_.held_note;
  int p = k >= 0 ? kNotePitchTable[k] : std::abs(Trunc(pitch.current));
  const int r = config_.bend_range;
  if (r != 0 && k >= 0) {
    const int b = state_.bend;
    int d = 0;
    if (b <= 0) {
      d = kNotePitchTable[k] - (k - r >= 0 ? kNotePitchTable[k - r] : kNotePitchBottom);
    } else {
      d = (k + r < kNotes ? kNotePitchTable[k + r] : kNotePitchTop) - kNotePitchTable[k];
    }
    p += (b * d) / kBendFull;
  }
  // The pitch keeps the direction it is set to (negative plays backwards).
  if (pitch.target < 0) p = -p;
  Glide(stream, kPitch, p, kPitchGlideTime, PositionFromValue(kControlTable[kPitch], p));
}

void MidiDecoder::Glide(int stream, int k, int value, float change_time, int position) {
  ControlRecord& c = streams_[stream].controls[k];
  if (k == kChangeTimeControl) {
    // The change time has no glide: it is the time of later changes.
    c.target = value;
    streams_.set_change_time(value);
  } else {
    SetControlGlide(c, value, change_time, engine_.output_rate(), engine_.frame_clock());
  }
  if (config_.move_sliders && stream == streams_.current_index()) {
    host_.PostControlPosition(k, position);
  }
}

}  // namespace kornmill
