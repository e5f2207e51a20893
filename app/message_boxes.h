// The shared message boxes: questions, warnings and the fatal error.
#pragma once

#include <QString>
#include <functional>

#include "app/dialogs.h"

class QWidget;

namespace kornmill {

// Wraps every box in EnterModal / LeaveModal. GUI thread only.
class MessageBoxes {
 public:
  struct Hooks {
    std::function<void()> enter_modal;  // EnterModal
    std::function<void()> leave_modal;  // LeaveModal
    std::function<void()> shut_down;    // ShutDown, then the end of the program
  };

  MessageBoxes(Dialogs& dialogs, QWidget* owner, Hooks hooks);

  // With the yes/no type: true exactly when the answer is Yes; with any other
  // type the box's answer (BoxAnswer).
  int AskQuestion(const QString& text, const QString& title = QStringLiteral("Kornmill Quiz"),
                  BoxType type = BoxType::kYesNo);
  void ShowWarning(const QString& text, const QString& title = QStringLiteral("Kornmill Warning!"));
  // Shows the text titled "Fatal error", then shuts the program down.
  void FatalError(const QString& text);

  Dialogs& dialogs() { return dialogs_; }

 private:
  void Enter();
  void Leave();

  Dialogs& dialogs_;
  QWidget* owner_;
  Hooks hooks_;
};

}  // namespace kornmill
