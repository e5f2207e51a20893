// The program's file and folder choosers: the five file kinds and the folder browser.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "settings/chooser_rules.h"

class QWidget;

namespace kornmill {

class Dialogs;

// Runs each chooser with the interface disabled around it (EnterModal /
// LeaveModal). GUI thread only.
class Choosers {
 public:
  struct Hooks {
    std::function<void()> enter_modal;
    std::function<void()> leave_modal;
    // Where the kinds start: the source soundfile folder, the patches
    // folder, the session folder.
    std::function<std::string()> source_folder;
    std::function<std::string()> patches_folder;
    std::function<std::string()> session_folder;
  };

  Choosers(Dialogs& dialogs, QWidget* owner, Hooks hooks);

  // A file of `kind` (1 a soundfile to open, 2 and 3 a patch bank to open or
  // save, 4 and 5 a session), starting in `folder` or, when that is empty, in
  // the kind's folder; empty when cancelled.
  QString ChooseFile(FileKind kind, std::string_view folder = {});
  // A folder chosen in "Select <title_word> Folder", starting at `start`;
  // empty when cancelled.
  QString ChooseFolder(const QString& title_word, const QString& start);

  // The name the system's file-type database gives an extension ("WAV
  // audio"), or empty.
  static std::string FileTypeName(std::string_view extension);

 private:
  std::string StartFolder(ChooserFolder folder) const;

  Dialogs& dialogs_;
  QWidget* owner_;
  Hooks hooks_;
};

}  // namespace kornmill
