// The gesture pad's arithmetic: the pad's geometry and the bilinear mix of four corner patches.
#pragma once

#include <array>
#include <cstdint>

#include "patches/patch_slot.h"

namespace kornmill {

// A rectangle in pixels; right and bottom lie just outside it.
struct GestureRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct GesturePoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const GesturePoint&, const GesturePoint&) = default;
};

// The corners, in the order of their lists: top-left, top-right, bottom-left, bottom-right.
enum GestureCorner : int { kTopLeft = 0, kTopRight, kBottomLeft, kBottomRight };
inline constexpr int kGestureCorners = 4;

// The marker is a 13 × 13 pixel square; its position is its top-left corner,
// 7 pixels up and left of the point it is dragged by.
inline constexpr int kMarkerSize = 13;
inline constexpr int kMarkerGrip = 7;

// Where the marker may go and what it mixes, derived from the pad rectangle.
struct GesturePadGeometry {
  GestureRect pad;     // the pad, inside its sunken edge
  GestureRect mix;     // the marker corner's range: left+2, top+2, right-15, bottom-15
  GestureRect bounds;  // the range of the point the marker is held by (inclusive)
  GesturePoint start;  // the marker's first position: (left+7, top+7)

  static GesturePadGeometry OfPad(const GestureRect& pad);
  // A press that starts a drag: strictly right of the pad's left edge and at
  // most at its right edge, strictly below its top edge and at most at its bottom.
  bool StartsDrag(GesturePoint p) const;
  // The marker position for a point the marker is held by: the point clamped
  // into the bounds, less 7 on both axes.
  GesturePoint MarkerAt(GesturePoint p) const;
};

using GestureValues = std::array<int32_t, kPatchValues>;

// The four corner patches' values, in GestureCorner order.
using GestureCornerValues = std::array<const GestureValues*, kGestureCorners>;

// The 28 targets for the marker at `marker` (its top-left corner) over the
// mixing rectangle `mix`: each corner weighs by its nearness on both axes.
// Each nearness is a division in double rounded to float32, each weight a
// float32 product; the running sum of value × weight over the four corners is
// rounded to float32 after each addition (the products themselves are exact
// in double), and the target is the sum rounded to the nearest integer, ties
// to even. A marker at a corner of `mix` gives that corner's patch exactly.
// Allocates nothing.
GestureValues ApplyGestureMix(const GestureCornerValues& corners, GesturePoint marker,
                              const GestureRect& mix);

}  // namespace kornmill
