// Converts dialog-template units to pixels from the metrics of the dialog's font.
#pragma once

#include <QFont>
#include <QRect>

namespace kornmill {

// A rectangle in dialog units: x and width in quarters of the average
// character width, y and height in eighths of the character height.
struct DuRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

class DialogUnits {
 public:
  // Base units of `font`: the average width of the 52 Latin letters (rounded
  // the way dialog templates do it) and the line height.
  explicit DialogUnits(const QFont& font);
  DialogUnits(int avg_char_width, int char_height)
      : avg_width_(avg_char_width), char_height_(char_height) {}

  int avg_char_width() const { return avg_width_; }
  int char_height() const { return char_height_; }

  // du_x × average width / 4 and du_y × height / 8, rounded to the nearest pixel.
  int X(int du_x) const;
  int Y(int du_y) const;
  QRect Rect(const DuRect& r) const;

 private:
  int avg_width_;
  int char_height_;
};

}  // namespace kornmill
