// The sound view's wiring: block snapshots, the frame timer, clicks through the scroll path, recording status.
#include "app/sound_view_host.h"

#include <QLabel>
#include <QPushButton>

#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/level_meter.h"
#include "app/main_window.h"
#include "app/menu_commands.h"
#include "app/sound_view_window.h"
#include "app/sound_wave_view.h"
#include "app/status_bar.h"
#include "base/sound.h"
#include "controls/control_table.h"
#include "controls/scroll_rule.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "soundview/waveform_overview.h"

namespace kornmill {

namespace {
constexpr int kSecondsPerMinute = 60;
const QString kRecordButtonMarked =
    QStringLiteral("QPushButton { background: #c62828; color: white; font-weight: bold; }");
}  // namespace

SoundViewHost::SoundViewHost(MainWindow& main) : main_(main) {
  publisher_.set_enabled(false);
  frame_timer_.setInterval(kFrameMs);
  connect(&frame_timer_, &QTimer::timeout, this, [this] { Tick(); });
  recording_timer_.setInterval(kRecordingStatusMs);
  connect(&recording_timer_, &QTimer::timeout, this, [this] { UpdateRecordingStatus(); });
  recording_timer_.start();
  main_.output().set_block_listener(this);
}

SoundViewHost::~SoundViewHost() {
  main_.output().set_block_listener(nullptr);
  delete window_.data();
}

SoundViewWindow* SoundViewHost::window() const {
  return window_.data();
}

bool SoundViewHost::open() const {
  return window_ && window_->isVisible();
}

void SoundViewHost::Toggle() {
  if (open()) {
    Close();
  } else {
    Open();
  }
}

void SoundViewHost::Open() {
  if (!window_) Create();
  publisher_.set_enabled(true);
  window_->show();
  window_->raise();
  frame_timer_.start();
  Tick();
}

void SoundViewHost::Close() {
  frame_timer_.stop();
  publisher_.set_enabled(false);
  if (window_) window_->hide();
}

void SoundViewHost::Create() {
  SoundViewWindow::Hooks hooks;
  hooks.set_start = [this](int v) { SetStart(v); };
  hooks.set_length = [this](int v) { SetLength(v); };
  hooks.load_file = [this](const QString& path) { main_.LoadSoundfile(path); };
  hooks.closed = [this] { Close(); };
  window_ = new SoundViewWindow(&main_, std::move(hooks));
  window_->resize(window_->sizeHint().expandedTo(QSize(main_.width(), 0)));
  window_->move(main_.geometry().bottomLeft() + QPoint(0, 8));
}

void SoundViewHost::BlockRendered(const float* block, int frames, int channels) {
  const StreamTable& streams = main_.streams();
  if (streams.count() == 0) return;
  publisher_.Publish(main_.engine(), streams.current(), block, frames, channels,
                     main_.output().playing());
}

std::shared_ptr<const WaveformOverview> SoundViewHost::OverviewOf(Sound* sound) {
  if (!sound) return nullptr;
  if (sound->overview) return sound->overview;
  // The built-in sine is made without the loader: its picture is made here, once.
  if (sound == &main_.engine().sine()) {
    if (!sine_overview_) sine_overview_ = WaveformOverview::Of(*sound);
    return sine_overview_;
  }
  return nullptr;
}

void SoundViewHost::Tick() {
  if (!window_) return;
  const Stream& stream = main_.streams().current();
  WaveViewState state;
  state.overview = OverviewOf(stream.sound);
  state.sound = stream.sound;
  state.input_mask = stream.input_mask;
  state.start_value = stream.controls[kLoopStart].target;
  state.length_value = stream.controls[kLoopLength].target;
  SoundWaveView* wave = window_->wave();
  wave->SetState(std::move(state));
  const bool fresh = publisher_.Update();
  const ViewSnapshot& snap = publisher_.latest();
  if (fresh) wave->SetSnapshot(snap);
  const bool playing = main_.output().playing();
  window_->meter()->Feed(playing ? snap.peak_left : 0.0f, playing ? snap.peak_right : 0.0f);
  const QString name = stream.sound ? QString::fromStdString(stream.sound->name) : QString();
  window_->info()->setText(playing ? QStringLiteral("%1   %2 grains sounding")
                                         .arg(name)
                                         .arg(snap.grains_sounding)
                                   : name);
}

QString SoundViewHost::RecordingText(const std::string& path, double seconds) {
  const std::string::size_type slash = path.rfind('/');
  const QString name =
      QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
  const int whole = static_cast<int>(seconds);
  return QStringLiteral("REC %1 %2:%3")
      .arg(name)
      .arg(whole / kSecondsPerMinute)
      .arg(whole % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

void SoundViewHost::UpdateRecordingStatus() {
  if (main_.ended()) return;
  const AudioOutput& out = main_.output();
  const bool recording = out.recording() && !out.recording_path().empty();
  main_.panel().status_bar()->SetRecording(
      recording ? RecordingText(out.recording_path(), out.recorded_seconds()) : QString());
  if (recording != marked_recording_) {
    main_.panel().file_button()->setStyleSheet(recording ? kRecordButtonMarked : QString());
    marked_recording_ = recording;
  }
}

void SoundViewHost::SetStart(int value) {
  const ControlRow& row = kControlTable[kLoopStart];
  main_.controls().OnControlScroll(ScrollAction::kThumbTrack, kIdFirstControl + kLoopStart,
                                   PositionFromValue(row, value), Qt::NoModifier);
}

void SoundViewHost::SetLength(int value) {
  const ControlRow& row = kControlTable[kLoopLength];
  main_.controls().OnControlScroll(ScrollAction::kThumbTrack, kIdFirstControl + kLoopLength,
                                   PositionFromValue(row, value), Qt::NoModifier);
}

}  // namespace kornmill
