// Painting, dragging and arrow keys of the gesture pad.
#include "app/gesture_pad.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "patches/gesture_mixer.h"

namespace kornmill {

namespace {

// The marker's fill: red 0xD0, green 0x40, blue 0x40.
const QColor kMarkerColour(0xD0, 0x40, 0x40);
// The focus rectangle stands just inside the sunken edge.
constexpr int kFocusInset = 2;

GesturePoint PointOf(const QPointF& p) {
  const QPoint q = p.toPoint();
  return {q.x(), q.y()};
}

}  // namespace

GesturePad::GesturePad(GestureMixer& mixer, QWidget* parent) : QWidget(parent), mixer_(mixer) {
  setObjectName(QStringLiteral("gesturePad"));
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(QStringLiteral("Gesture pad"));
}

void GesturePad::Place(const QRect& rect) {
  setGeometry(rect);
  rules_ = GesturePadGeometry::OfPad({0, 0, rect.width(), rect.height()});
  mixer_.set_mix_rect(rules_.mix);
  mixer_.PlaceMarker(rules_.start);
  update();
}

QRect GesturePad::MarkerRect() const {
  const GesturePoint m = mixer_.marker();
  return QRect(m.x, m.y, kMarkerSize, kMarkerSize);
}

void GesturePad::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));
  qDrawWinPanel(&p, rect(), palette(), true);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
  // The marker: a red square with a raised inner edge.
  const QRect m = MarkerRect();
  p.fillRect(m, kMarkerColour);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(m.topLeft(), m.topRight());
  p.drawLine(m.topLeft(), m.bottomLeft());
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(m.bottomLeft(), m.bottomRight());
  p.drawLine(m.topRight(), m.bottomRight());
}

void GesturePad::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const GesturePoint p = PointOf(event->position());
  // A press on the pad's edge draws nothing and starts no drag.
  if (!rules_.StartsDrag(p)) return;
  // The pad keeps the mouse while the button is held (Qt grabs it for the
  // widget pressed on), so a drag may leave the pad and come back.
  dragging_ = true;
  MoveMarkerTo(p);
}

void GesturePad::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) MoveMarkerTo(PointOf(event->position()));
}

void GesturePad::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return QWidget::mouseReleaseEvent(event);
  MoveMarkerTo(PointOf(event->position()));
  dragging_ = false;
}

void GesturePad::keyPressEvent(QKeyEvent* event) {
  const int step = (event->modifiers() & Qt::ControlModifier) ? 1 : kArrowStep;
  int dx = 0;
  int dy = 0;
  switch (event->key()) {
    case Qt::Key_Left:
      dx = -step;
      break;
    case Qt::Key_Right:
      dx = step;
      break;
    case Qt::Key_Up:
      dy = -step;
      break;
    case Qt::Key_Down:
      dy = step;
      break;
    default:
      return QWidget::keyPressEvent(event);
  }
  const GesturePoint m = mixer_.marker();
  MoveMarkerTo({m.x + kMarkerGrip + dx, m.y + kMarkerGrip + dy});
}

void GesturePad::MoveMarkerTo(GesturePoint held) {
  const QRect old = MarkerRect();
  mixer_.MoveMarker(rules_.MarkerAt(held));
  update(old.united(MarkerRect()));
}

}  // namespace kornmill
