// The "Sound output" page of the options dialog (dialog 113): device, rate, stereo, block size,
// render threads and Test Play.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "output/output_device.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace kornmill {

class OutputOptions;

// Shows the output configuration and forwards every change to the options at
// once, so that Test Play hears it. GUI thread only.
class SoundOutputPage : public QWidget {
  Q_OBJECT

 public:
  // Runs an output operation that may end the program (see
  // MainWindow::CallOutput); false when it did, and the page then stays still.
  using Guard = std::function<bool(const std::function<void()>&)>;

  SoundOutputPage(OutputOptions& options, const std::vector<DeviceEntry>& devices, Guard guard,
                  QWidget* parent);

  QComboBox* devices() const { return devices_; }
  QComboBox* rates() const { return rates_; }
  QCheckBox* stereo() const { return stereo_; }
  QSlider* block_size() const { return block_size_; }
  QLabel* buffer_label() const { return buffer_label_; }
  QSpinBox* render_threads() const { return render_threads_; }
  QPushButton* test_play() const { return test_play_; }

  // Ends a running Test Play and unchecks its button.
  void StopTestPlay();
  // The program has ended (the output is gone): the page touches nothing more.
  void Detach() { ended_ = true; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildItems();
  void Connect();
  void FillDevices(const std::vector<DeviceEntry>& devices);
  void FillRates();
  void OnTestPlayClicked();
  void UpdateBufferLabel();

  bool Run(const std::function<void()>& call);

  OutputOptions& options_;
  Guard guard_;
  bool ended_ = false;  // the program ended inside an output operation
  QComboBox* devices_ = nullptr;
  QComboBox* rates_ = nullptr;
  QCheckBox* stereo_ = nullptr;
  QSlider* block_size_ = nullptr;
  QLabel* buffer_label_ = nullptr;
  QSpinBox* render_threads_ = nullptr;
  QPushButton* test_play_ = nullptr;
};

}  // namespace kornmill
