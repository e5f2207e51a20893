// The main window's menus: every command with its help text; marks and greying set when a menu
// opens.
#include "app/menu_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "app/status_bar.h"
#include "resources/ids.h"
#include "resources/strings.h"

namespace kornmill {

namespace {
constexpr int kMaxStatusText = 400;
}

MenuBar::MenuBar(QMenuBar* bar, StatusBar* status, std::function<MenuState()> state,
                 std::function<void(int id)> command)
    : QObject(bar),
      status_(status),
      state_(std::move(state)),
      command_(std::move(command)),
      bar_(bar) {
  BuildFileMenu(bar);
  BuildCommandMenu(bar);
  BuildOutputMenu(bar);
  BuildMidiMenu(bar);
  BuildStreamMenu(bar);
  BuildHelpMenu(bar);
}

QAction* MenuBar::Add(QMenu* menu, int id, const char* text, bool checkable) {
  QAction* item = menu->addAction(QString::fromUtf8(text));
  item->setData(id);
  item->setCheckable(checkable);
  item->setObjectName(QStringLiteral("command%1").arg(id));
  connect(item, &QAction::triggered, this, [this, id] { command_(id); });
  actions_[id] = item;
  return item;
}

QMenu* MenuBar::AddMenu(QMenuBar* bar, QMenu* parent, const char* title) {
  const QString text = QString::fromUtf8(title);
  QMenu* menu = parent ? parent->addMenu(text) : bar->addMenu(text);
  // Marks are recomputed whenever any menu opens; highlighting shows help texts.
  connect(menu, &QMenu::aboutToShow, this, &MenuBar::UpdateMenuState);
  connect(menu, &QMenu::hovered, this, &MenuBar::OnHovered);
  return menu;
}

void MenuBar::BuildFileMenu(QMenuBar* bar) {
  file_menu_ = AddMenu(bar, nullptr, "F&ile");
  QActionGroup* source = new QActionGroup(this);
  source->addAction(Add(file_menu_, kCmdLoadSoundfile, "Load &Wav Soundfile...", true));
  source->addAction(Add(file_menu_, kCmdTestTone, "Use &Test Tone", true));
  source->addAction(Add(file_menu_, kCmdLiveInput, "&Live Input", true));
  recent_menu_ = AddMenu(bar, file_menu_, "&Recent Soundfiles");
  after_recent_ = file_menu_->addSeparator();
  // The login of other users is not offered: TrimMenus removes it.
  new_login_ = file_menu_->addAction(QStringLiteral("New &Login..."));
  file_menu_->addSeparator();
  Add(file_menu_, kCmdExit, "E&xit\tEsc");
}

void MenuBar::BuildCommandMenu(QMenuBar* bar) {
  QMenu* command = AddMenu(bar, nullptr, "Co&mmand");
  Add(command, kCmdGestureWindow, "Open &Gesture Window");
  Add(command, kCmdSoundView, "Sound &View", true);
  Add(command, kCmdMidiResponse, "MIDI &Response Dialog...");
  Add(command, kCmdSoundcardOptions, "&Soundcard I/O Options...");
}

void MenuBar::BuildOutputMenu(QMenuBar* bar) {
  output_menu_ = AddMenu(bar, nullptr, "Output Sound&file Options");
  Add(output_menu_, kCmdNumberSoundfiles, "&Number Soundfiles (00...99)", true);
  Add(output_menu_, kCmdOneFilePerStream, "&One File Per Stream", true);
  output_menu_->addSeparator();
  QActionGroup* widths = new QActionGroup(this);
  widths->addAction(Add(output_menu_, kCmdWrite16Bit, "Write &16-bit Soundfiles", true));
  widths->addAction(Add(output_menu_, kCmdWrite24Bit, "Write &24-bit Soundfiles", true));
  widths->addAction(Add(output_menu_, kCmdWrite32Bit, "Write &32-bit (float) Soundfiles", true));
  output_menu_->addSeparator();
  Add(output_menu_, kCmdSoundfileFolder, "Select Soundfile &Folder...");
}

void MenuBar::BuildMidiMenu(QMenuBar* bar) {
  midi_menu_ = AddMenu(bar, nullptr, "&MIDI Options");
  Add(midi_menu_, kCmdController14Bit, "Controller &14-bit Mode", true);
  Add(midi_menu_, kCmdMidiProgramChange, "Use MIDI &Program Change", true);
}

void MenuBar::BuildStreamMenu(QMenuBar* bar) {
  QMenu* stream = AddMenu(bar, nullptr, "&Stream");
  stereo_menu_ = AddMenu(bar, stream, "&Stereo Input");
  Add(stereo_menu_, kCmdLeftChannel, "&Left Channel", true);
  Add(stereo_menu_, kCmdRightChannel, "&Right Channel", true);
  grain_menu_ = AddMenu(bar, stream, "&Grain Generation Options");
  Add(grain_menu_, kCmdHardSync, "&Hard Sync", true);
  Add(grain_menu_, kCmdResetLoopOnPlay, "&Reset Loop On Play", true);
  Add(grain_menu_, kCmdSoftStop, "&Soft Stop Play", true);
  interpolation_menu_ = AddMenu(bar, stream, "&Interpolation");
  QActionGroup* renderers = new QActionGroup(this);
  renderers->addAction(Add(interpolation_menu_, kCmdLinear, "&Linear", true));
  renderers->addAction(Add(interpolation_menu_, kCmdCubic, "&Cubic", true));
  renderers->addAction(Add(interpolation_menu_, kCmdSpline, "&Spline", true));
}

void MenuBar::BuildHelpMenu(QMenuBar* bar) {
  QMenu* help = AddMenu(bar, nullptr, "He&lp");
  Add(help, kCmdHelp, "&Help\tF1");
  Add(help, kCmdAbout, "&About Kornmill");
}

void MenuBar::TrimMenus() {
  if (QAction* live = action(kCmdLiveInput)) {
    actions_.erase(kCmdLiveInput);
    delete live;
  }
  delete new_login_;
  new_login_ = nullptr;
  delete after_recent_;
  after_recent_ = nullptr;
  // The window's layout is fixed: it has nothing to show when maximized.
  bar_->window()->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

QAction* MenuBar::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MenuBar::Check(int id, bool on) {
  if (QAction* a = action(id)) a->setChecked(on);
}

void MenuBar::Enable(int id, bool on) {
  if (QAction* a = action(id)) a->setEnabled(on);
}

void MenuBar::OnHovered(QAction* item) {
  // Submenus and separators carry no id: their help text is empty.
  const int id = item->data().isValid() ? item->data().toInt() : 0;
  if (id >= kCmdFirstRecentFile && id <= kCmdLastRecentFile) {
    // A recent soundfile shows its full path.
    status_->SetText(1, item->statusTip().isEmpty() ? item->text() : item->statusTip());
  } else {
    const std::string_view text = LoadText(id).substr(0, kMaxStatusText);
    status_->SetText(1, QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  }
  status_->SetText(2, QString());
}

void MenuBar::UpdateMenuState() {
  const MenuState s = state_();
  const bool busy = s.playing || s.recording;
  Enable(kCmdMidiResponse, !s.playing);
  // Checked while fine controllers join their coarse ones into 14-bit values.
  Check(kCmdController14Bit, !s.relative_fine);
  Enable(kCmdGestureWindow, s.gesture_window_available);
  Check(kCmdSoundView, s.sound_view_open);
  Enable(kCmdSoundcardOptions, !busy);
  for (QMenu* menu : {output_menu_, stereo_menu_, grain_menu_, interpolation_menu_}) {
    menu->menuAction()->setEnabled(!busy);
  }
  if (!busy) {
    for (int id : {kCmdLinear, kCmdCubic, kCmdSpline}) Check(id, id == s.interpolation_id);
  }
  UpdateSource(s);
  UpdateRecentFiles();
  if (s.stereo_sound) {
    Check(kCmdLeftChannel, s.input_mask & 1);
    Check(kCmdRightChannel, s.input_mask & 2);
    stereo_menu_->menuAction()->setEnabled(true);
  } else {
    stereo_menu_->menuAction()->setEnabled(false);
  }
  Check(kCmdNumberSoundfiles, s.numbered_files);
  Enable(kCmdNumberSoundfiles, !s.recording);
  Check(kCmdWrite16Bit, s.sample_bits == 16);
  Check(kCmdWrite24Bit, s.sample_bits == 24);
  Check(kCmdWrite32Bit, s.sample_bits == 32);
  Check(kCmdOneFilePerStream, s.one_file_per_stream);
  Check(kCmdResetLoopOnPlay, s.reset_loop);
  Check(kCmdSoftStop, s.soft_stop);
  Check(kCmdHardSync, s.hard_sync);
  Check(kCmdMidiProgramChange, s.program_change);
}

void MenuBar::UpdateSource(const MenuState& s) {
  // The radio mark on the current kind, which is greyed unless it is a file
  // (loading another file stays available); the other kinds are enabled.
  const int current = s.live_input ? kCmdLiveInput : s.test_tone ? kCmdTestTone : kCmdLoadSoundfile;
  for (int id : {kCmdLoadSoundfile, kCmdTestTone, kCmdLiveInput}) {
    Check(id, id == current);
    Enable(id, id != current || id == kCmdLoadSoundfile);
  }
}

void MenuBar::UpdateRecentFiles() {
  int count = 0;
  if (recent_filler_) {
    count = recent_filler_(*recent_menu_);
  } else {
    recent_menu_->clear();
  }
  recent_menu_->menuAction()->setEnabled(count > 0);
}

}  // namespace kornmill
