// Positions in the sound view: pixel columns to loop start and length values and back.
#pragma once

#include <cstdint>

namespace kornmill {

// A view `width` pixels wide shows the whole sound; the start and length
// controls count the sound in kLoopUnits parts (a value v begins the loop at
// v × 65536 of the 2^28 position units that span the sound).
class ViewMapping {
 public:
  static constexpr int kLoopUnits = 4096;

  explicit ViewMapping(int width) : width_(width < 1 ? 1 : width) {}

  // The start value whose loop begins nearest to pixel column x (clamped to the view).
  int StartValueAt(int x) const;
  // The length value of a loop from `start_value` to pixel column x; a column
  // left of the start gives a loop that wraps past the sound's end.
  int LengthValueAt(int x, int start_value) const;
  // The pixel column of source frame `frame` of a sound of `frames` frames.
  int XOfFrame(int64_t frame, int64_t frames) const;

 private:
  int width_;
};

}  // namespace kornmill
