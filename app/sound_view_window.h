// The "Sound View" companion window: the waveform strip, the level meter and a line about the grains.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;

namespace kornmill {

class LevelMeter;
class SoundWaveView;

// A top-level window owned by the main window. GUI thread only.
class SoundViewWindow : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<void(int)> set_start;
    std::function<void(int)> set_length;
    std::function<void(const QString&)> load_file;  // a soundfile dropped on the window
    std::function<void()> closed;                   // the close box
  };

  SoundViewWindow(QWidget* owner, Hooks hooks);

  SoundWaveView* wave() const { return wave_; }
  LevelMeter* meter() const { return meter_; }
  QLabel* info() const { return info_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  Hooks hooks_;
  SoundWaveView* wave_ = nullptr;
  LevelMeter* meter_ = nullptr;
  QLabel* info_ = nullptr;
};

}  // namespace kornmill
