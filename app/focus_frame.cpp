// Focus frame: a blue rectangle painted on an overlay one pixel outside a control.
#include "app/focus_frame.h"

#include <QPainter>

namespace kornmill {

FocusFrame::FocusFrame(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  if (parent) setGeometry(parent->rect());
}

void FocusFrame::Mark(QWidget* control) {
  control_ = control;
  Redraw();
}

void FocusFrame::Redraw() {
  if (parentWidget()) setGeometry(parentWidget()->rect());
  rect_ = control_ ? control_->geometry().adjusted(-1, -1, 1, 1) : QRect();
  raise();
  update();
}

void FocusFrame::paintEvent(QPaintEvent*) {
  if (rect_.isEmpty()) return;
  QPainter painter(this);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 255), 1));
  // QPainter's rectangle outline covers width + 1 pixels: shrink by one.
  painter.drawRect(rect_.adjusted(0, 0, -1, -1));
}

}  // namespace kornmill
