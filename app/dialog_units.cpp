// Dialog-unit conversion: pixels from the font's average character width and height.
#include "app/dialog_units.h"

#include <QFontMetrics>
#include <cmath>

namespace kornmill {

namespace {
// Rounds a × b / c to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics fm(font);
  const int letters =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  avg_width_ = (letters / 26 + 1) / 2;
  char_height_ = fm.height();
  if (avg_width_ < 1) avg_width_ = 1;
  if (char_height_ < 1) char_height_ = 1;
}

int DialogUnits::X(int du_x) const {
  return MulDiv(du_x, avg_width_, 4);
}
int DialogUnits::Y(int du_y) const {
  return MulDiv(du_y, char_height_, 8);
}

QRect DialogUnits::Rect(const DuRect& r) const {
  const int left = X(r.x);
  const int top = Y(r.y);
  return QRect(left, top, X(r.x + r.w) - left, Y(r.y + r.h) - top);
}

}  // namespace kornmill
