// Bank questions through MessageBoxes; the bank-file chooser is the choosers' patch-bank kind.
#include "app/window_patch_prompts.h"

#include "app/choosers.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/message_boxes.h"

namespace kornmill {

namespace {
QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

PatchPrompts::Answer WindowPatchPrompts::AskYesNoCancel(std::string_view title,
                                                        std::string_view text) {
  switch (window_.boxes().AskQuestion(ToQString(text), ToQString(title), BoxType::kYesNoCancel)) {
    case kAnswerYes:
      return kYes;
    case kAnswerNo:
      return kNo;
    default:
      return kCancel;
  }
}

bool WindowPatchPrompts::AskOkCancel(std::string_view title, std::string_view text) {
  return window_.boxes().AskQuestion(ToQString(text), ToQString(title), BoxType::kOkCancel) ==
         kAnswerOk;
}

void WindowPatchPrompts::ShowWarning(std::string_view title, std::string_view text) {
  window_.boxes().ShowWarning(ToQString(text), ToQString(title));
}

std::string WindowPatchPrompts::ChooseBankFile(std::string_view folder) {
  return window_.choosers().ChooseFile(FileKind::kOpenPatchBank, folder).toStdString();
}

}  // namespace kornmill
