// Peak-hold arithmetic and painting of the output level meter.
#include "app/level_meter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kornmill {

namespace {
constexpr double kWarnDb = -6.0;
const QColor kTrack(40, 42, 46);
const QColor kGood(90, 200, 110);
const QColor kWarn(230, 200, 70);
const QColor kClip(230, 50, 40);
}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("LevelMeter"));
  setMinimumSize(120, 14);
  setToolTip(QStringLiteral("Output level (peak, dBFS); red when the output clips"));
}

QSize LevelMeter::sizeHint() const {
  return QSize(220, 18);
}

double LevelMeter::ToDb(float peak) {
  if (!(peak > 0)) return kFloorDb;
  return std::max(kFloorDb, 20.0 * std::log10(double(peak)));
}

void LevelMeter::Feed(float left, float right) {
  const std::array<float, 2> in = {left, right};
  for (size_t c = 0; c < 2; ++c) {
    peak_[c] = in[c];
    if (in[c] >= held_[c]) {
      held_[c] = in[c];
      hold_ticks_[c] = kHoldTicks;
    } else if (hold_ticks_[c] > 0 && --hold_ticks_[c] == 0) {
      held_[c] = in[c];
    }
  }
  if (std::max(left, right) >= kClipLevel) {
    clip_ticks_ = kHoldTicks;
  } else if (clip_ticks_ > 0) {
    --clip_ticks_;
  }
  update();
}

double LevelMeter::peak_db(int channel) const {
  return ToDb(peak_[static_cast<size_t>(channel & 1)]);
}

double LevelMeter::held_db(int channel) const {
  return ToDb(held_[static_cast<size_t>(channel & 1)]);
}

void LevelMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kTrack);
  const int bar = (height() - 3) / 2;
  auto x_of = [this](double db) {
    return static_cast<int>((db - kFloorDb) / -kFloorDb * (width() - 1));
  };
  for (int c = 0; c < 2; ++c) {
    const int y = 1 + c * (bar + 1);
    const double db = peak_db(c);
    const QColor color = clipped() ? kClip : db > kWarnDb ? kWarn : kGood;
    p.fillRect(0, y, x_of(db), bar, color);
    const int hold = x_of(held_db(c));
    if (hold > 0) p.fillRect(hold - 1, y, 2, bar, held_db(c) >= ToDb(kClipLevel) ? kClip : Qt::white);
  }
}

}  // namespace kornmill
