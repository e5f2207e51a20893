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

QString QtDialogs::ChooseFile(QWidget* owner, const FileChoice& choice) {
  QFileDialog dialog(owner, choice.title, choice.folder);
  dialog.setNameFilters(choice.filters);
  dialog.setDefaultSuffix(choice.default_suffix);
  switch (choice.mode) {
    case ChooserMode::kSave:
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      break;
    case ChooserMode::kOpenSeveral:
      dialog.setFileMode(QFileDialog::ExistingFiles);
      break;
    default:
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QString QtDialogs::ChooseFolder(QWidget* owner, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(owner, title, start);
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
