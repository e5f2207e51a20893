// Control scrollbar: translates Qt's slider actions into line, page and thumb-track actions.
#include "app/control_scroll_bar.h"

#include <QKeyEvent>
#include <algorithm>

namespace kornmill {

ControlScrollBar::ControlScrollBar(int id, Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent), id_(id) {
  setObjectName(QStringLiteral("control%1").arg(id));
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractSlider::actionTriggered, this, &ControlScrollBar::OnAction);
}

void ControlScrollBar::SetPosition(int position) {
  position_ = position;
  const bool blocked = blockSignals(true);
  setValue(position);
  blockSignals(blocked);
}

void ControlScrollBar::keyPressEvent(QKeyEvent* event) {
  if (orientation() == Qt::Horizontal &&
      (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
    triggerAction(event->key() == Qt::Key_PageUp ? SliderPageStepSub : SliderPageStepAdd);
    event->accept();
    return;
  }
  QScrollBar::keyPressEvent(event);
}

void ControlScrollBar::OnAction(int action) {
  ScrollAction a = ScrollAction::kOther;
  switch (action) {
    case SliderSingleStepSub:
      a = ScrollAction::kLineUp;
      break;
    case SliderSingleStepAdd:
      a = ScrollAction::kLineDown;
      break;
    case SliderPageStepSub:
      a = ScrollAction::kPageUp;
      break;
    case SliderPageStepAdd:
      a = ScrollAction::kPageDown;
      break;
    case SliderMove:
      a = ScrollAction::kThumbTrack;
      break;
    default:
      break;
  }
  const int tracked = sliderPosition();
  const bool handled = handler_ && handler_(*this, a, tracked);
  // The slider has already moved by Qt's own rule: put it where the owner
  // placed the control (or back where it was when the action was ignored).
  if (!handled) {
    setSliderPosition(value());
    return;
  }
  setSliderPosition(std::clamp(position_, minimum(), maximum()));
}

}  // namespace kornmill
