// Message boxes and choosers that answer from a script instead of waiting for a user.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

#include "app/dialogs.h"

namespace kornmill::testing {

class FakeDialogs : public Dialogs {
 public:
  struct Box {
    QString title;
    QString text;
    BoxType type;
  };

  int MessageBox(QWidget*, const QString& title, const QString& text, BoxType type) override {
    boxes.push_back({title, text, type});
    if (type != BoxType::kOk && !answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    if (type == BoxType::kYesNo || type == BoxType::kYesNoCancel)
      return yes ? kAnswerYes : kAnswerNo;
    if (type == BoxType::kOkCancel) return ok ? kAnswerOk : kAnswerCancel;
    return kAnswerOk;
  }
  QString ChooseFile(QWidget*, const FileChoice& choice) override {
    if (choice.default_suffix == QStringLiteral("kpb")) {
      bank_folders.push_back(choice.folder);
      return bank_file;
    }
    soundfile_folders.push_back(choice.folder);
    return soundfile;
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString& start) override {
    folder_requests.push_back(title + QLatin1Char('|') + start);
    return folder;
  }
  void About(QWidget*) override { ++about_count; }
  bool OpenHelp(const QUrl&) override { return true; }
  // The program's own dialogs: the script plays the user (Cancel without one).
  int Exec(QDialog& dialog) override {
    dialog_titles.push_back(dialog.windowTitle());
    if (dialog_script) return dialog_script(dialog);
    dialog.reject();
    return QDialog::Rejected;
  }

  // Answers.
  bool yes = false;
  bool ok = true;
  std::deque<int> answers;  // answers of the next questions, in order, before `yes` and `ok`
  QString soundfile;        // the answer of the file choosers but the patch-bank one
  QString bank_file;        // the answer of the patch-bank chooser
  QString folder;
  // What was asked.
  std::vector<Box> boxes;
  std::vector<QString> soundfile_folders;
  std::vector<QString> folder_requests;
  std::vector<QString> bank_folders;
  int about_count = 0;
  std::function<int(QDialog&)> dialog_script;
  std::vector<QString> dialog_titles;
};

}  // namespace kornmill::testing
