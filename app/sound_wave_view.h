// The sound view's picture: the waveform, the loop region, the loop position and the grains.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "soundview/view_snapshot.h"

namespace kornmill {

class WaveformOverview;

// What the picture shows besides the snapshot: the sound's overview and the
// loop the scrollbars set (drawn while nothing plays).
struct WaveViewState {
  std::shared_ptr<const WaveformOverview> overview;
  const void* sound = nullptr;
  int input_mask = 1;
  int start_value = 0;   // "start" target, 0 .. 4096
  int length_value = 0;  // "length" target, 0 .. 4096
};

// Dumb widget: it draws what it is given and reports clicks as control values.
// GUI thread only.
class SoundWaveView : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<void(int)> set_start;   // a click or drag: the "start" value there
    std::function<void(int)> set_length;  // with Shift: the "length" value to there
  };

  SoundWaveView(QWidget* parent, Hooks hooks);

  void SetState(WaveViewState state);
  // The newest snapshot; a snapshot of another sound, or one taken while not
  // playing, shows no grains.
  void SetSnapshot(const ViewSnapshot& snapshot);
  const WaveViewState& state() const { return state_; }
  // Grain marks drawn at the last paint (for tests).
  int marks_drawn() const { return marks_drawn_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void DrawWaveform(QPainter& p, const QRect& lane, int channel) const;
  void DrawLoop(QPainter& p) const;
  void DrawGrains(QPainter& p);
  void Pointer(QMouseEvent* event);
  bool SnapshotLive() const;

  Hooks hooks_;
  WaveViewState state_;
  // Only the fields drawn; the grains are copied as they arrive (no allocation).
  ViewSnapshot snap_{};
  int marks_drawn_ = 0;
};

}  // namespace kornmill
