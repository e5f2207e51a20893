// The real modal boxes and choosers of the window.
#include "app/dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/about_box.h"
#include "app/help_window.h"

namespace kornmill {

QtDialogs::QtDialogs() = default;

QtDialogs::~QtDialogs() {
  delete help_;
}

int QtDialogs::MessageBox(QWidget* owner, const QString& title, const QString& text, BoxType type) {
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if (type == BoxType::kOkCancel) buttons = QMessageBox::Ok | QMessageBox::Cancel;
  if (type == BoxType::kYesNo) buttons = QMessageBox::Yes | QMessageBox::No;
  if (type == BoxType::kYesNoCancel)
    buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  QMessageBox box(type == BoxType::kOk ? QMessageBox::Warning : QMessageBox::Question, title, text,
                  buttons, owner);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return kAnswerOk;
    case QMessageBox::Yes:
      return kAnswerYes;
    case QMessageBox::No:
      return kAnswerNo;
    default:
      return kAnswerCancel;
  }
}

QString QtDialogs::ChooseSoundfile(QWidget* owner, const QString& folder) {
  return QFileDialog::getOpenFileName(owner, QStringLiteral("Load Soundfile"), folder,
                                      QStringLiteral("Soundfiles (*.wav *.WAV *.aif *.aiff "
                                                     "*.aifc *.AIF *.AIFF);;All files (*)"));
}

QString QtDialogs::ChooseFolder(QWidget* owner, const QString& label, const QString& start) {
  return QFileDialog::getExistingDirectory(owner, QStringLiteral("Select %1 Folder").arg(label),
                                           start);
}

QString QtDialogs::ChooseBankFile(QWidget* owner, const QString& folder) {
  return QFileDialog::getOpenFileName(owner, QStringLiteral("Open Kornmill patch banks File"),
                                      folder, QStringLiteral("KPB files (*.kpb);;All files (*)"));
}

void QtDialogs::About(QWidget* owner) {
  AboutBox box(owner);
  Exec(box);
}

int Dialogs::Exec(QDialog& dialog) {
  return dialog.exec();
}

HelpWindow* QtDialogs::help_window() const {
  return help_;
}

bool QtDialogs::OpenHelp(const QUrl& page) {
  // One help window for the whole program, made when it is first asked for.
  if (!help_) help_ = new HelpWindow();
  return help_->ShowPage(page);
}

}  // namespace kornmill
