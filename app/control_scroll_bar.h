// A control scrollbar that reports each user action and lets its owner decide the position.
#pragma once

#include <QScrollBar>
#include <functional>

#include "controls/scroll_rule.h"

namespace kornmill {

class ControlScrollBar : public QScrollBar {
  Q_OBJECT

 public:
  // Called on the GUI thread for each action with the tracked thumb position.
  // Returns true when it handled the action (it then placed the bar with
  // SetPosition); false leaves the bar where it was.
  using Handler = std::function<bool(ControlScrollBar& bar, ScrollAction action, int tracked)>;

  ControlScrollBar(int id, Qt::Orientation orientation, QWidget* parent);

  int id() const { return id_; }
  void set_handler(Handler handler) { handler_ = std::move(handler); }

  // The position the control stands at; the thumb itself stops one step
  // above the bottom, so the shown value may differ by that step.
  int position() const { return position_; }
  // Moves the thumb without reporting an action.
  void SetPosition(int position);

 protected:
  // Page Up / Page Down page towards the top / the left on either orientation.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnAction(int action);

  int id_;
  int position_ = 0;
  Handler handler_;
};

}  // namespace kornmill
