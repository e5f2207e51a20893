// The "In/Out Options" dialog (dialog 115): its pages on a tab control, OK, Cancel and Help.
#pragma once

#include <QDialog>
#include <memory>

class QTabWidget;

namespace kornmill {

class MainWindow;
class OutputOptions;
class SoundOutputPage;

// Modal; opened by "&Soundcard I/O Options..." while nothing plays or records.
// Changes on the pages are live; OK keeps them, Cancel (also Escape and the
// close box) puts back what the dialog found and rebuilds from it. GUI thread only.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(MainWindow& window);
  ~OptionsDialog() override;

  QTabWidget* tabs() const { return tabs_; }
  SoundOutputPage* sound_output_page() const { return sound_page_; }

  void accept() override;
  void reject() override;

 private:
  MainWindow& window_;
  std::unique_ptr<OutputOptions> output_;
  QTabWidget* tabs_ = nullptr;
  SoundOutputPage* sound_page_ = nullptr;
};

}  // namespace kornmill
