// Control changes: controllers 4..32 set the 29 controls coarsely, 36..64 refine them (14-bit) or
// step them (relative mode); 120 and 123 stop the sound.
#include <algorithm>
#include <cstdlib>

#include "base/fixed_point.h"
#include "midi/midi_decoder.h"
#include "midi/midi_numbers.h"

namespace kornmill {

namespace {

constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;
constexpr int kCoarseSteps = 128;
constexpr float kControllerGlideTime = 12.8f;

}  // namespace

void MidiDecoder::OnControlChange(int stream, int controller, int value) {
  if (controller == kAllSoundOff || controller == kAllNotesOff) {
    if (host_.playing()) MidiNoteStop();
    return;
  }
  const bool coarse = controller >= kFirstCoarseController && controller <= kLastCoarseController;
  const bool fine = controller >= kFirstFineController && controller <= kLastFineController;
  if (!coarse && !fine) return;
  // 0..63 stay, 64..127 become 65..128: the top value reaches the maximum.
  const int v = value > 63 ? value + 1 : value;
  const int k = coarse ? controller - kFirstCoarseController : controller - kFirstFineController;
  const ControlRow& row = kControlTable[k];
  int new_value = 0;
  int position = 0;
  if (coarse) {
    const float step = scales_.coarse[k];
    new_value = Trunc(static_cast<float>(row.minimum) + static_cast<float>(v) * step);
    coarse_[stream][k] = new_value;
    position = Trunc(static_cast<float>(row.minimum) + static_cast<float>(kCoarseSteps - v) * step);
  } else {
    if (!FineValue(stream, k, v, &new_value)) return;
    position = PositionFromValue(row, new_value);
  }
  if (k == kPan) {
    // The pan scrollbar is the horizontal one: its value and position are mirrored.
    new_value = -new_value;
    position = -position;
  }
  Glide(stream, k, new_value, kControllerGlideTime, position);
}

// The fine controller's new value of control k; false when it is the value it
// started from (nothing happens then).
bool MidiDecoder::FineValue(int stream, int k, int v, int* value) {
  const ControlRow& row = kControlTable[k];
  const float step = scales_.fine[k];
  int from = 0;
  int new_value = 0;
  if (!config_.relative_fine) {
    // 14-bit: the fine controller refines the last coarse value.
    from = coarse_[stream][k];
    const float sum = static_cast<float>(from) + static_cast<float>(v) * step;
    new_value = Trunc(double(sum) + 0.5);
  } else {
    // Relative: a step around 64 that grows with its distance (1, -2, ±16, ±576).
    const int d = v - 64;
    const int steps = (std::abs(d >> 3) + 1) * d;
    const ControlRecord& c = streams_[stream].controls[k];
    from = host_.playing() ? Trunc(c.current) : c.target;
    // The pan value is mirrored on its way out: take the step in the
    // controller's own direction, or every step would flip the side.
    if (k == kPan) from = -from;
    new_value = Trunc(static_cast<float>(from) + static_cast<float>(steps) * step);
  }
  new_value = std::clamp(new_value, row.minimum, row.maximum);
  if (new_value == from) return false;
  *value = new_value;
  return true;
}

}  // namespace kornmill
