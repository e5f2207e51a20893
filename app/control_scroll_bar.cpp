// Control scrollbar: translates Qt's slider actions into line, page and thumb-track actions.
#include "app/control_scroll_bar.h"

#include <QKeyEvent>

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
  // Qt has already moved the slider by its own rule. A handler that takes the
  // action places the bar itself (SetPosition); an ignored action puts the
  // slider back where it was.
  if (handler_ && handler_(*this, a, sliderPosition())) return;
  setSliderPosition(value());
}

}  // namespace kornmill
