// The modal boxes and choosers the window opens, behind an interface tests can replace.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

namespace kornmill {

// Answers of a message box, numbered as the classic box answers are.
enum BoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };
enum class BoxType { kOk, kOkCancel, kYesNo, kYesNoCancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box owned by `owner`; returns one of BoxAnswer.
  virtual int MessageBox(QWidget* owner, const QString& title, const QString& text,
                         BoxType type) = 0;
  // The soundfile chooser; an empty string when cancelled.
  virtual QString ChooseSoundfile(QWidget* owner, const QString& folder) = 0;
  // The folder chooser; an empty string when cancelled.
  virtual QString ChooseFolder(QWidget* owner, const QString& label, const QString& start) = 0;
  // The patch-bank file chooser, starting in `folder`; an empty string when cancelled.
  virtual QString ChooseBankFile(QWidget* owner, const QString& folder) = 0;
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
  QString ChooseSoundfile(QWidget* owner, const QString& folder) override;
  QString ChooseFolder(QWidget* owner, const QString& label, const QString& start) override;
  QString ChooseBankFile(QWidget* owner, const QString& folder) override;
  void About(QWidget* owner) override;
  bool OpenHelp(const QUrl& page) override;

  // The help window once it has been opened.
  HelpWindow* help_window() const;

 private:
  QPointer<HelpWindow> help_;
};

}  // namespace kornmill
