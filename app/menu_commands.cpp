// Menu commands: each flips a flag, starts a load or opens a chooser; marks follow on the next
// opening.
#include "app/menu_commands.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "app/choosers.h"
#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/dialogs.h"
#include "app/gesture_host.h"
#include "app/main_window.h"
#include "app/sound_view_host.h"
#include "app/message_boxes.h"
#include "app/midi_glue.h"
#include "app/options_dialog.h"
#include "app/settings_glue.h"
#include "app/status_bar.h"
#include "app/stream_view.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "soundfile/loader/sound_loader.h"

namespace kornmill {

MenuCommands::MenuCommands(MainWindow& window, Dialogs& dialogs)
    : window_(window), dialogs_(dialogs) {}

void MenuCommands::Run(int id) {
  AudioOutput& out = window_.output();
  Stream& stream = window_.streams().current();
  switch (id) {
    case kCmdLoadSoundfile:
      LoadSoundfile();
      break;
    case kCmdTestTone:
      UseTestTone();
      break;
    case kCmdSoundfileFolder:
      SelectOutputFolder();
      break;
    case kCmdNumberSoundfiles:
      ToggleConfigFlag(out.config().numbered_files);
      break;
    case kCmdOneFilePerStream:
      ToggleConfigFlag(out.config().one_file_per_stream);
      break;
    case kCmdWrite16Bit:
      out.SetSampleWidth(2);
      break;
    case kCmdWrite24Bit:
      out.SetSampleWidth(3);
      break;
    case kCmdWrite32Bit:
      out.SetSampleWidth(4);
      break;
    case kCmdLeftChannel:
      ToggleInputChannel(stream, kInputLeft);
      break;
    case kCmdRightChannel:
      ToggleInputChannel(stream, kInputRight);
      break;
    case kCmdHardSync:
      stream.hard_sync = stream.hard_sync ? 0 : 1;
      break;
    case kCmdResetLoopOnPlay:
      ToggleConfigFlag(out.config().reset_loop);
      break;
    case kCmdSoftStop:
      ToggleConfigFlag(out.config().soft_stop);
      break;
    case kCmdLinear:
      window_.engine().set_interpolation(Interpolation::kLinear);
      break;
    case kCmdCubic:
      window_.engine().set_interpolation(Interpolation::kCubic);
      break;
    case kCmdSpline:
      window_.engine().set_interpolation(Interpolation::kSpline);
      break;
    case kCmdSoundcardOptions:
      SoundcardOptions();
      break;
    case kCmdToggleStereo:
      window_.CallOutput([](AudioOutput& o) { o.ToggleStereo(); });
      break;
    case kCmdGestureWindow:
      window_.gesture().Open();
      break;
    case kCmdSoundView:
      window_.sound_view().Toggle();
      break;
    case kCmdHelp:
      window_.ShowHelp();
      break;
    case kCmdAbout:
      About();
      break;
    default:
      if (id >= kCmdFirstRecentFile && id <= kCmdLastRecentFile) {
        LoadRecentFile(id - kCmdFirstRecentFile);
      } else {
        window_.midi().RunCommand(id);
      }
      break;
  }
}

void MenuCommands::LoadSoundfile() {
  const QString path = window_.choosers().ChooseFile(FileKind::kSoundfile);
  if (path.isEmpty()) return;
  LoadSoundfilePath(path);
}

void MenuCommands::LoadSoundfilePath(const QString& path) {
  // The stream plays its previous sound until the loaded message arrives.
  window_.sounds().LoadSound(path.toStdString());
}

void MenuCommands::LoadRecentFile(int index) {
  const std::string path = window_.settings().recent_files()[index];
  // An entry whose file has gone does nothing.
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return;
  window_.sounds().LoadSound(path);
}

void MenuCommands::OnSoundLoaded(int stream, Sound* sound) {
  if (stream < 0 || stream >= window_.streams().count() || !sound) return;
  window_.sounds().AttachSound(stream, sound);
}

void MenuCommands::ToggleConfigFlag(int32_t& flag) {
  flag = flag ? 0 : 1;
}

void MenuCommands::UseTestTone() {
  StreamTable& streams = window_.streams();
  {
    // No block is rendered while the stream's sound changes.
    std::lock_guard<std::mutex> lock(window_.output().render_lock());
    kornmill::UseTestTone(streams.current(), &window_.engine().sine());
  }
  window_.stream_view().SelectStream(streams.current_index());
}

void MenuCommands::SelectOutputFolder() {
  AudioOutput& out = window_.output();
  SettingsGlue& settings = window_.settings();
  // The chooser starts where it last chose, else at the current output folder.
  const std::string start = settings.FolderHistory(out.output_folder());
  const QString folder =
      window_.choosers().ChooseFolder(QStringLiteral("Soundfile"), QString::fromStdString(start));
  if (folder.isEmpty()) return;
  out.set_output_folder(folder.toStdString());
  settings.RememberFolder(out.output_folder());
  window_.panel().status_bar()->SetText(
      1, QStringLiteral("Soundfile path: %1").arg(QString::fromStdString(out.output_folder())));
}

void MenuCommands::SoundcardOptions() {
  // Greyed while busy: the ring and the open file keep their format meanwhile.
  if (window_.output().playing() || window_.output().recording()) return;
  window_.EnterModal();
  OptionsDialog dialog(window_);
  dialogs_.Exec(dialog);
  window_.LeaveModal();
}

void MenuCommands::About() {
  window_.EnterModal();
  dialogs_.About(&window_);
  window_.LeaveModal();
}

}  // namespace kornmill
