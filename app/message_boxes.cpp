// Message boxes bracketed by EnterModal and LeaveModal.
#include "app/message_boxes.h"

namespace kornmill {

MessageBoxes::MessageBoxes(Dialogs& dialogs, QWidget* owner, Hooks hooks)
    : dialogs_(dialogs), owner_(owner), hooks_(std::move(hooks)) {}

void MessageBoxes::Enter() {
  if (hooks_.enter_modal) hooks_.enter_modal();
}

void MessageBoxes::Leave() {
  if (hooks_.leave_modal) hooks_.leave_modal();
}

int MessageBoxes::AskQuestion(const QString& text, const QString& title, BoxType type) {
  Enter();
  const int answer = dialogs_.MessageBox(owner_, title, text, type);
  Leave();
  if (type == BoxType::kYesNo) return answer == kAnswerYes ? 1 : 0;
  return answer;
}

void MessageBoxes::ShowWarning(const QString& text, const QString& title) {
  Enter();
  dialogs_.MessageBox(owner_, title, text, BoxType::kOk);
  Leave();
}

void MessageBoxes::FatalError(const QString& text) {
  Enter();
  dialogs_.MessageBox(owner_, QStringLiteral("Fatal error"), text, BoxType::kOk);
  Leave();
  if (hooks_.shut_down) hooks_.shut_down();
}

}  // namespace kornmill
