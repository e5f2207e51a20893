// The blue one-pixel frame around the scrollbar last used.
#pragma once

#include <QRect>
#include <QWidget>

namespace kornmill {

// A transparent overlay over the whole dialog area that draws the frame one
// pixel outside the marked control; it lets every mouse event through.
class FocusFrame : public QWidget {
  Q_OBJECT

 public:
  explicit FocusFrame(QWidget* parent);

  // Marks `control` (a sibling of the overlay); null removes the frame.
  void Mark(QWidget* control);
  // Draws the frame again around the marked control (after a move or a modal box).
  void Redraw();
  // Where the frame is drawn, in the parent's coordinates; empty when none.
  QRect frame_rect() const { return rect_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* control_ = nullptr;
  QRect rect_;
};

}  // namespace kornmill
