// The About box (dialog 117): the program, its version and where to reach its makers.
#pragma once

#include <QDialog>

namespace kornmill {

// Modal, one OK button, centred over its owner. Its caption "About Kornmill"
// leads the help to the "Contact" section.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* owner);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CentreOverOwner();
};

}  // namespace kornmill
