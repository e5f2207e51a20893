// Menus: File, Stream and Help with the items whose functions exist; marks set when a menu opens.
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
    : QObject(bar), status_(status), state_(std::move(state)), command_(std::move(command)) {
  BuildFileMenu(bar);
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

void MenuBar::BuildFileMenu(QMenuBar* bar) {
  QMenu* file = bar->addMenu(QStringLiteral("F&ile"));
  QActionGroup* source = new QActionGroup(this);
  source->addAction(Add(file, kCmdLoadSoundfile, "Load &Wav Soundfile...", true));
  source->addAction(Add(file, kCmdTestTone, "Use &Test Tone", true));
  file->addSeparator();
  output_menu_ = file->addMenu(QStringLiteral("Output Sound&file Options"));
  Add(output_menu_, kCmdNumberSoundfiles, "&Number Soundfiles (00...99)", true);
  Add(output_menu_, kCmdOneFilePerStream, "&One File Per Stream", true);
  output_menu_->addSeparator();
  QActionGroup* widths = new QActionGroup(this);
  widths->addAction(Add(output_menu_, kCmdWrite16Bit, "Write &16-bit Soundfiles", true));
  widths->addAction(Add(output_menu_, kCmdWrite24Bit, "Write &24-bit Soundfiles", true));
  widths->addAction(Add(output_menu_, kCmdWrite32Bit, "Write &32-bit (float) Soundfiles", true));
  output_menu_->addSeparator();
  Add(output_menu_, kCmdSoundfileFolder, "Select Soundfile &Folder...");
  file->addSeparator();
  Add(file, kCmdExit, "E&xit\tEsc");
  for (QMenu* menu : {file, output_menu_}) {
    connect(menu, &QMenu::aboutToShow, this, &MenuBar::UpdateMenuState);
    connect(menu, &QMenu::hovered, this, &MenuBar::OnHovered);
  }
}

void MenuBar::BuildStreamMenu(QMenuBar* bar) {
  QMenu* stream = bar->addMenu(QStringLiteral("&Stream"));
  stereo_menu_ = stream->addMenu(QStringLiteral("&Stereo Input"));
  Add(stereo_menu_, kCmdLeftChannel, "&Left Channel", true);
  Add(stereo_menu_, kCmdRightChannel, "&Right Channel", true);
  grain_menu_ = stream->addMenu(QStringLiteral("&Grain Generation Options"));
  Add(grain_menu_, kCmdHardSync, "&Hard Sync", true);
  Add(grain_menu_, kCmdResetLoopOnPlay, "&Reset Loop On Play", true);
  Add(grain_menu_, kCmdSoftStop, "&Soft Stop Play", true);
  interpolation_menu_ = stream->addMenu(QStringLiteral("&Interpolation"));
  QActionGroup* renderers = new QActionGroup(this);
  renderers->addAction(Add(interpolation_menu_, kCmdLinear, "&Linear", true));
  renderers->addAction(Add(interpolation_menu_, kCmdCubic, "&Cubic", true));
  renderers->addAction(Add(interpolation_menu_, kCmdSpline, "&Spline", true));
  for (QMenu* menu : {stream, stereo_menu_, grain_menu_, interpolation_menu_}) {
    connect(menu, &QMenu::aboutToShow, this, &MenuBar::UpdateMenuState);
    connect(menu, &QMenu::hovered, this, &MenuBar::OnHovered);
  }
}

void MenuBar::BuildHelpMenu(QMenuBar* bar) {
  QMenu* help = bar->addMenu(QStringLiteral("He&lp"));
  Add(help, kCmdHelp, "&Help\tF1");
  Add(help, kCmdAbout, "&About Kornmill");
  connect(help, &QMenu::aboutToShow, this, &MenuBar::UpdateMenuState);
  connect(help, &QMenu::hovered, this, &MenuBar::OnHovered);
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
  const std::string_view text = LoadText(id).substr(0, kMaxStatusText);
  status_->SetText(1, QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  status_->SetText(2, QString());
}

void MenuBar::UpdateMenuState() {
  const MenuState s = state_();
  const bool busy = s.playing || s.recording;
  for (QMenu* menu : {output_menu_, stereo_menu_, grain_menu_, interpolation_menu_}) {
    menu->menuAction()->setEnabled(!busy);
  }
  if (!busy) {
    for (int id : {kCmdLinear, kCmdCubic, kCmdSpline}) Check(id, id == s.interpolation_id);
  }
  // Sound source: the radio mark on the current kind; the test tone is greyed
  // while it is the source, loading a file stays available.
  const int source = s.test_tone ? kCmdTestTone : kCmdLoadSoundfile;
  Check(source, true);
  Enable(kCmdTestTone, source != kCmdTestTone);
  Enable(kCmdLoadSoundfile, true);
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
}

}  // namespace kornmill
