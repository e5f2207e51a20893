// The output level meter: peak per channel in dBFS with a held peak, red at the clip level.
#pragma once

#include <QWidget>
#include <array>

namespace kornmill {

// Fed with block peaks at the view's rate; the held peak falls back after
// kHoldTicks feeds. GUI thread only.
class LevelMeter : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kFloorDb = -60.0;  // the meter's left end
  static constexpr int kHoldTicks = 45;      // 1.5 s at 30 feeds a second
  // The output is clipped just below 1.0: a peak this high is clipping.
  static constexpr float kClipLevel = 0.999f;

  explicit LevelMeter(QWidget* parent);

  // The largest absolute samples since the last feed (linear, 0 .. 1).
  void Feed(float left, float right);
  // Peak and held peak of channel 0 or 1 in dBFS (kFloorDb for silence).
  double peak_db(int channel) const;
  double held_db(int channel) const;
  bool clipped() const { return clip_ticks_ > 0; }

  // dBFS of a linear peak, kFloorDb at and below the floor.
  static double ToDb(float peak);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<float, 2> peak_{};
  std::array<float, 2> held_{};
  std::array<int, 2> hold_ticks_{};
  int clip_ticks_ = 0;
};

}  // namespace kornmill
