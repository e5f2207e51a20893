// The Gesture Window's life: creation over the tab page, Play with the mix, Close, modal greying.
#include "app/gesture_host.h"

#include <QPushButton>
#include <QTabBar>

#include "app/dialog_panel.h"
#include "app/gesture_window.h"
#include "app/main_window.h"
#include "app/patch_panel.h"
#include "app/patch_view.h"
#include "app/stream_view.h"
#include "engine/engine.h"
#include "patches/gesture_mixer.h"

namespace kornmill {

namespace {
// The window stands over the tab page: 3 pixels right of the tab control's
// left edge, 5 pixels below its first tab.
constexpr int kPlaceRight = 3;
constexpr int kPlaceBelow = 5;
}  // namespace

GestureHost::GestureHost(MainWindow& main)
    : main_(main),
      mixer_(
          std::make_unique<GestureMixer>(main.patches().banks(), main.streams(), main.engine())) {
  // Read at the engine's control tick: the flag the output keeps while playing.
  mixer_->set_active_source([this] { return !main_.ended() && main_.output().gesture_active(); });
  main_.engine().set_gesture_mix(mixer_.get());
}

GestureHost::~GestureHost() {
  main_.engine().set_gesture_mix(nullptr);
  delete window_.data();
}

GestureWindow* GestureHost::window() const {
  return window_.data();
}

bool GestureHost::open() const {
  return !window_.isNull();
}

void GestureHost::Open() {
  if (!window_) Create();
  window_->ShowGestureWindow();
}

void GestureHost::Create() {
  GestureWindow::Hooks hooks;
  hooks.play = [this] { Play(); };
  hooks.record = [this] { main_.OnRecordCommand(); };
  hooks.close = [this] { Close(); };
  window_ = new GestureWindow(&main_, main_.patches().banks(), *mixer_, std::move(hooks));
  // The bank commands that could take a corner's patch away wait for the window to close.
  EnableBankCommands(false);
  // Opened while playing, the pad mixes at once.
  main_.output().GestureWindowOpened();
  const QPushButton* play = main_.panel().play_button();
  window_->SetPlayButton(play->text(), play->isChecked());
  window_->SetRecordButton(main_.output().recording());
  Place();
}

void GestureHost::Place() {
  const QTabBar* tabs = main_.panel().tabs();
  const QRect first = tabs->tabRect(0);
  const QPoint below = tabs->mapToGlobal(QPoint(0, first.y() + first.height()));
  window_->move(below.x() + kPlaceRight, below.y() + kPlaceBelow);
}

void GestureHost::Play() {
  const AudioOutput& out = main_.output();
  // Starting (or resuming a soft stop): the sound starts where the marker stands.
  if (!out.playing() || out.stopping()) mixer_->Apply();
  main_.OnPlayCommand(kPlayFromGesture);
}

void GestureHost::Close() {
  if (!window_) return;
  GestureWindow* window = window_;
  window_ = nullptr;
  mixer_->ForgetMove();
  // The scrollbars show the targets the mix left.
  main_.stream_view().SelectStream(main_.streams().current_index());
  EnableBankCommands(true);
  window->hide();
  window->deleteLater();
}

void GestureHost::SetEnabled(bool enabled) {
  if (window_) window_->setEnabled(enabled);
}

void GestureHost::SetPlayButton(const QString& text, bool checked) {
  if (window_) window_->SetPlayButton(text, checked);
}

void GestureHost::SetRecordButton(bool checked) {
  if (window_) window_->SetRecordButton(checked);
}

void GestureHost::EnableBankCommands(bool enabled) {
  PatchPanel& items = main_.patches().items();
  items.load_button()->setEnabled(enabled);
  items.close_button()->setEnabled(enabled);
  items.clear_button()->setEnabled(enabled);
}

}  // namespace kornmill
