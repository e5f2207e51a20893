// The gesture pad: a sunken square with the red marker that the mouse or the arrow keys move.
#pragma once

#include <QWidget>

#include "patches/gesture_mix.h"

namespace kornmill {

class GestureMixer;

// Shows the marker where the mixer has it and moves it; the rules of the
// marker's range live in GesturePadGeometry. Coordinates are the pad's own
// pixels, its sunken edge included. GUI thread only.
class GesturePad : public QWidget {
  Q_OBJECT

 public:
  // Arrow keys move the marker this many pixels; with Ctrl one pixel.
  static constexpr int kArrowStep = 4;

  GesturePad(GestureMixer& mixer, QWidget* parent);

  // Sets the pad's place in its window and its marker range; the marker
  // starts at the range's start position without a mix.
  void Place(const QRect& rect);
  const GesturePadGeometry& rules() const { return rules_; }
  bool dragging() const { return dragging_; }
  // The marker's square, in the pad's pixels.
  QRect MarkerRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Moves the marker to be held at `held`, clamped into its range, and flags the mix.
  void MoveMarkerTo(GesturePoint held);

  GestureMixer& mixer_;
  GesturePadGeometry rules_;
  bool dragging_ = false;
};

}  // namespace kornmill
