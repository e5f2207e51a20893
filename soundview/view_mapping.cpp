// Rounding rules of the sound view's mapping between columns, frames and control values.
#include "soundview/view_mapping.h"

#include <algorithm>

namespace kornmill {
namespace {

// x over the width in loop units, rounded to the nearest.
int UnitsAt(int x, int width) {
  const int clamped = std::clamp(x, 0, width);
  return static_cast<int>((int64_t(clamped) * ViewMapping::kLoopUnits + width / 2) / width);
}

}  // namespace

int ViewMapping::StartValueAt(int x) const {
  return UnitsAt(x, width_);
}

int ViewMapping::LengthValueAt(int x, int start_value) const {
  const int end = UnitsAt(x, width_);
  int length = end - start_value;
  if (length < 0) length += kLoopUnits;
  return std::clamp(length, 0, kLoopUnits);
}

int ViewMapping::XOfFrame(int64_t frame, int64_t frames) const {
  if (frames <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(frame, 0, frames) * width_ / frames);
}

}  // namespace kornmill
