// Painting the sound view from the overview and the newest snapshot; clicks become control values.
#include "app/sound_wave_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "soundview/view_mapping.h"
#include "soundview/waveform_overview.h"

namespace kornmill {

namespace {
constexpr int kPreferredWidth = 720;
constexpr int kPreferredHeight = 180;
constexpr int kGrainMarkHeight = 14;  // pixels at full envelope
const QColor kBackground(24, 26, 30);
const QColor kWaveInUse(120, 200, 150);
const QColor kWaveUnused(80, 90, 95);
const QColor kLoopFill(255, 210, 90, 40);
const QColor kLoopEdge(255, 210, 90);
const QColor kLoopPosition(255, 255, 255);
const QColor kGrain(255, 120, 80);
}  // namespace

SoundWaveView::SoundWaveView(QWidget* parent, Hooks hooks) : QWidget(parent), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("SoundWaveView"));
  setMinimumSize(200, 80);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize SoundWaveView::sizeHint() const {
  return QSize(kPreferredWidth, kPreferredHeight);
}

void SoundWaveView::SetState(WaveViewState state) {
  state_ = std::move(state);
  update();
}

void SoundWaveView::SetSnapshot(const ViewSnapshot& snapshot) {
  snap_.block = snapshot.block;
  snap_.sound = snapshot.sound;
  snap_.frame_count = snapshot.frame_count;
  snap_.playing = snapshot.playing;
  snap_.loop_start = snapshot.loop_start;
  snap_.loop_length = snapshot.loop_length;
  snap_.loop_position = snapshot.loop_position;
  snap_.grain_count = snapshot.grain_count;
  std::copy_n(snapshot.grains.begin(), snapshot.grain_count, snap_.grains.begin());
  update();
}

bool SoundWaveView::SnapshotLive() const {
  return snap_.playing && snap_.sound && snap_.sound == state_.sound && snap_.frame_count > 0;
}

void SoundWaveView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  const WaveformOverview* overview = state_.overview.get();
  const int lanes = overview ? overview->channels() : 1;
  for (int ch = 0; ch < lanes; ++ch) {
    const QRect lane(0, height() * ch / lanes, width(), height() / lanes);
    DrawWaveform(p, lane, ch);
  }
  DrawLoop(p);
  DrawGrains(p);
}

void SoundWaveView::DrawWaveform(QPainter& p, const QRect& lane, int channel) const {
  const WaveformOverview* overview = state_.overview.get();
  if (!overview || overview->frames() == 0) return;
  const int level = overview->LevelFor(width());
  const int columns = overview->columns(level);
  const bool in_use = overview->channels() == 1 || (state_.input_mask & (1 << channel));
  p.setPen(in_use ? kWaveInUse : kWaveUnused);
  const double mid = lane.center().y();
  const double half = lane.height() / 2.0 - 1;
  for (int x = 0; x < width(); ++x) {
    // The columns under pixel x, joined.
    const int first = static_cast<int>(int64_t(x) * columns / width());
    const int end = std::max(first + 1, static_cast<int>(int64_t(x + 1) * columns / width()));
    float lo = overview->at(level, channel, first).min;
    float hi = overview->at(level, channel, first).max;
    for (int c = first + 1; c < end && c < columns; ++c) {
      lo = std::min(lo, overview->at(level, channel, c).min);
      hi = std::max(hi, overview->at(level, channel, c).max);
    }
    lo = std::clamp(lo, -1.0f, 1.0f);
    hi = std::clamp(hi, -1.0f, 1.0f);
    p.drawLine(QPointF(x + 0.5, mid - hi * half), QPointF(x + 0.5, mid - lo * half));
  }
}

void SoundWaveView::DrawLoop(QPainter& p) const {
  const ViewMapping map(width());
  int x0 = 0;
  int span = 0;
  int position = -1;
  if (SnapshotLive()) {
    x0 = map.XOfFrame(snap_.loop_start, snap_.frame_count);
    span = map.XOfFrame(std::min(snap_.loop_length, snap_.frame_count), snap_.frame_count);
    position = map.XOfFrame(snap_.loop_position % snap_.frame_count, snap_.frame_count);
  } else {
    x0 = int64_t(state_.start_value % ViewMapping::kLoopUnits) * width() / ViewMapping::kLoopUnits;
    span = int64_t(state_.length_value) * width() / ViewMapping::kLoopUnits;
  }
  // A loop past the sound's end goes on at its beginning.
  const int first_part = std::min(span, width() - x0);
  p.fillRect(x0, 0, first_part, height(), kLoopFill);
  if (span > first_part) p.fillRect(0, 0, span - first_part, height(), kLoopFill);
  p.setPen(kLoopEdge);
  p.drawLine(x0, 0, x0, height());
  p.drawLine((x0 + span) % std::max(1, width()), 0, (x0 + span) % std::max(1, width()), height());
  if (position >= 0) {
    p.setPen(QPen(kLoopPosition, 2));
    p.drawLine(position, 0, position, height());
  }
}

void SoundWaveView::DrawGrains(QPainter& p) {
  marks_drawn_ = 0;
  if (!SnapshotLive()) return;
  const ViewMapping map(width());
  const int base = height() - 2;
  for (int i = 0; i < snap_.grain_count; ++i) {
    const GrainMark& g = snap_.grains[static_cast<size_t>(i)];
    const int x = map.XOfFrame(g.frame, snap_.frame_count);
    const float e = std::clamp(g.envelope, 0.0f, 1.0f);
    QColor c = kGrain;
    c.setAlphaF(0.25f + 0.75f * e);
    p.setPen(c);
    p.drawLine(x, base, x, base - 2 - static_cast<int>(e * kGrainMarkHeight));
    ++marks_drawn_;
  }
}

void SoundWaveView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  Pointer(event);
}

void SoundWaveView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  Pointer(event);
}

void SoundWaveView::Pointer(QMouseEvent* event) {
  const ViewMapping map(width());
  const int x = static_cast<int>(event->position().x());
  if (event->modifiers() & Qt::ShiftModifier) {
    if (hooks_.set_length) hooks_.set_length(map.LengthValueAt(x, state_.start_value));
  } else if (hooks_.set_start) {
    hooks_.set_start(map.StartValueAt(x));
  }
  event->accept();
}

}  // namespace kornmill
