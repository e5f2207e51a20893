// The modal boxes and choosers the window opens, behind an interface tests can replace.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "settings/chooser_rules.h"

class QDialog;
class QWidget;

namespace kornmill {

// Answers of a message box, numbered as the classic box answers are.
enum BoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };
enum class BoxType { kOk, kOkCancel, kYesNo, kYesNoCancel };

// What a file chooser is asked for.
struct FileChoice {
  ChooserMode mode = ChooserMode::kOpen;
  QString title;
  QString folder;          // where it starts
  QStringList filters;     // "WAV audio (*.wav *.aif)", ..., the chosen one first
  QString default_suffix;  // added to a name typed without one (save mode)
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box owned by `owner`; returns one of BoxAnswer.
  virtual int MessageBox(QWidget* owner, const QString& title, const QString& text,
                         BoxType type) = 0;
  // A file chooser; the chosen path, or an empty string when cancelled.
  virtual QString ChooseFile(QWidget* owner, const FileChoice& choice) = 0;
  // The folder chooser titled `title`; an empty string when cancelled.
  virtual QString ChooseFolder(QWidget* owner, const QString& title, const QString& start) = 0;
  // The About box.
  virtual void About(QWidget* owner) = 0;
  // Shows a help page; false when it could not be shown.
  virtual bool OpenHelp(const QUrl& page) = 0;
  // Runs one of the program's own modal dialogs; returns its result.
  virtual int Exec(QDialog& dialog);
};

class HelpWindow;

// The real boxes: QMessageBox, QFileDialog and the program's help window.
class QtDialogs : public Dialogs {
 public:
  QtDialogs();
  ~QtDialogs() override;
  int MessageBox(QWidget* owner, const QString& title, const QString& text, BoxType type) override;
  QString ChooseFile(QWidget* owner, const FileChoice& choice) override;
  QString ChooseFolder(QWidget* owner, const QString& title, const QString& start) override;
  void About(QWidget* owner) override;
  bool OpenHelp(const QUrl& page) override;

  // The help window once it has been opened.
  HelpWindow* help_window() const;

 private:
  QPointer<HelpWindow> help_;
};

}  // namespace kornmill
