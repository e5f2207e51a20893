// Lays out the sound view window and forwards its close box and dropped soundfiles.
#include "app/sound_view_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/level_meter.h"
#include "app/sound_drop.h"
#include "app/sound_wave_view.h"

namespace kornmill {

SoundViewWindow::SoundViewWindow(QWidget* owner, Hooks hooks)
    : QWidget(owner, Qt::Window), hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("Sound View"));
  setObjectName(QStringLiteral("SoundView"));
  setAcceptDrops(true);
  wave_ = new SoundWaveView(this, {hooks_.set_start, hooks_.set_length});
  meter_ = new LevelMeter(this);
  info_ = new QLabel(this);
  info_->setObjectName(QStringLiteral("soundViewInfo"));
  info_->setTextFormat(Qt::PlainText);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Out"), this));
  row->addWidget(meter_);
  row->addSpacing(12);
  row->addWidget(info_, 1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->addWidget(wave_, 1);
  column->addLayout(row);
  wave_->setToolTip(
      QStringLiteral("Click or drag: loop start. Shift-click or drag: loop length. "
                     "Drop a soundfile here to load it."));
}

void SoundViewWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (hooks_.closed) hooks_.closed();
}

void SoundViewWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedSoundfile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void SoundViewWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedSoundfile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  if (hooks_.load_file) hooks_.load_file(path);
}

}  // namespace kornmill
