// The pad's marker range and the bilinear mix of the four corner patches, step by step in float32.
#include "patches/gesture_mix.h"

#include <algorithm>
#include <cmath>

namespace kornmill {

namespace {

// The mixing rectangle inside the pad: the marker's corner ranges from
// left+2 and top+2 to right-15 and bottom-15, so every corner of the mixing
// rectangle is a place the marker can stand on.
constexpr int32_t kMixInset = 2;
constexpr int32_t kMixFarInset = 15;
// The held point stays within left+9 .. right-8 and top+9 .. bottom-8.
constexpr int32_t kBoundsInset = 9;
constexpr int32_t kBoundsFarInset = 8;
constexpr int32_t kStartInset = 7;

// Nearness of `at` to the low and the high end of low .. high: (high - at) / span
// and (at - low) / span, each divided in double and rounded to float32. A
// mixing rectangle without width or height gives all the weight to its low side.
struct Nearness {
  float low = 1.0f;
  float high = 0.0f;
};
Nearness NearnessOf(int32_t at, int32_t low, int32_t high) {
  const int32_t span = high - low;
  if (span <= 0) return {};
  return {static_cast<float>(double(high - at) / double(span)),
          static_cast<float>(double(at - low) / double(span))};
}

// v + value × weight: the product is exact in double; the sum is rounded to float32.
float AddWeighted(float v, int32_t value, float weight) {
  return static_cast<float>(double(v) + double(value) * double(weight));
}

}  // namespace

GesturePadGeometry GesturePadGeometry::OfPad(const GestureRect& pad) {
  GesturePadGeometry g;
  g.pad = pad;
  g.mix = {pad.left + kMixInset, pad.top + kMixInset, pad.right - kMixFarInset,
           pad.bottom - kMixFarInset};
  g.bounds = {pad.left + kBoundsInset, pad.top + kBoundsInset, pad.right - kBoundsFarInset,
              pad.bottom - kBoundsFarInset};
  g.start = {pad.left + kStartInset, pad.top + kStartInset};
  return g;
}

bool GesturePadGeometry::StartsDrag(GesturePoint p) const {
  return p.x > pad.left && p.x <= pad.right && p.y > pad.top && p.y <= pad.bottom;
}

GesturePoint GesturePadGeometry::MarkerAt(GesturePoint p) const {
  // A pad too small for the marker keeps it at the bounds' near edge.
  const int32_t x = std::max(bounds.left, std::min(p.x, bounds.right));
  const int32_t y = std::max(bounds.top, std::min(p.y, bounds.bottom));
  return {x - kMarkerGrip, y - kMarkerGrip};
}

GestureValues ApplyGestureMix(const GestureCornerValues& corners, GesturePoint marker,
                              const GestureRect& mix) {
  const Nearness x = NearnessOf(marker.x, mix.left, mix.right);
  const Nearness y = NearnessOf(marker.y, mix.top, mix.bottom);
  const float rx = x.low;  // nearness to the left side
  const float lx = x.high;
  const float ry = y.low;  // nearness to the top side
  const float ly = y.high;
  const float w_tl = ry * rx;
  const float w_tr = ry * lx;
  const float w_bl = rx * ly;
  const float w_br = lx * ly;
  const GestureValues& tl = *corners[kTopLeft];
  const GestureValues& tr = *corners[kTopRight];
  const GestureValues& bl = *corners[kBottomLeft];
  const GestureValues& br = *corners[kBottomRight];
  GestureValues out{};
  for (size_t i = 0; i < out.size(); ++i) {
    float v = static_cast<float>(double(tl[i]) * double(w_tl));
    v = AddWeighted(v, tr[i], w_tr);
    v = AddWeighted(v, bl[i], w_bl);
    v = AddWeighted(v, br[i], w_br);
    // The default rounding mode rounds halves to even.
    out[i] = static_cast<int32_t>(std::nearbyint(v));
  }
  return out;
}

}  // namespace kornmill
