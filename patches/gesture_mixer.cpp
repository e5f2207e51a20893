// Applies the pad's mix to the current stream's targets at the engine's control tick.
#include "patches/gesture_mixer.h"

#include "controls/control.h"
#include "controls/stream.h"
#include "patches/bank_table.h"

namespace kornmill {

GestureMixer::GestureMixer(const BankTable& banks, StreamTable& streams, const Engine& engine)
    : banks_(banks), streams_(streams), engine_(engine) {}

void GestureMixer::MoveMarker(GesturePoint p) {
  marker_ = p;
  moved_ = true;
}

GestureValues GestureMixer::Targets() const {
  GestureCornerValues corners{};
  for (int c = 0; c < kGestureCorners; ++c) {
    const PatchSlot* patch = banks_.PatchOfCode(corners_[static_cast<size_t>(c)]);
    if (!patch) patch = &banks_.default_patch();
    corners[static_cast<size_t>(c)] = &patch->values;
  }
  return ApplyGestureMix(corners, marker_, mix_);
}

void GestureMixer::Apply() {
  if (streams_.count() == 0) return;
  const GestureValues targets = Targets();
  Stream& stream = streams_.current();
  const uint32_t rate = engine_.output_rate();
  const int32_t clock = engine_.frame_clock();
  // The scrollbars stay where they are; closing the window shows the targets.
  for (size_t k = 0; k < targets.size(); ++k) {
    StartSmoothing(stream.controls[k], targets[k], kGestureGlideTime, rate, clock);
  }
}

}  // namespace kornmill
