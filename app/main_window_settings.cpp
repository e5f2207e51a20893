// The main window's settings part: start-up reading, saving at exit, recent files, choosers.
#include "app/choosers.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/message_boxes.h"
#include "app/midi_glue.h"
#include "app/patch_view.h"
#include "app/recent_files_menu.h"
#include "app/settings_glue.h"
#include "app/sound_view_host.h"
#include "output/output_folders.h"

namespace kornmill {

void MainWindow::StartSettings(MainWindowOptions& options) {
  settings_ = std::make_unique<SettingsGlue>(std::move(options.settings));
  const QString warning = settings_->ReadAtStart();
  if (!warning.isEmpty()) boxes_->ShowWarning(warning);
  const StoredSettings& stored = settings_->stored();
  if (options.output_folder.empty()) options.output_folder = stored.soundfile_out_folder;
  if (options.source_folder.empty()) options.source_folder = stored.soundfile_in_folder;
  Choosers::Hooks hooks;
  hooks.enter_modal = [this] { EnterModal(); };
  hooks.leave_modal = [this] { LeaveModal(); };
  hooks.source_folder = [this] { return source_folder_; };
  hooks.patches_folder = [this] {
    return patch_view_ ? patch_view_->patch_folder() : std::string();
  };
  hooks.session_folder = [] { return ProgramDataFolder(); };
  choosers_ = std::make_unique<Choosers>(boxes_->dialogs(), this, std::move(hooks));
}

void MainWindow::AttachRecentFiles() {
  recent_menu_ = std::make_unique<RecentFilesMenu>(settings_->recent_files(),
                                                   [this](int id) { OnMenuCommand(id); });
  menus_->set_recent_files_filler([this](QMenu& menu) { return recent_menu_->Fill(menu); });
}

void MainWindow::SaveSettings() {
  if (!settings_ || !output_) return;
  if (midi_) settings_->TakeFrom(midi_->config());
  settings_->WriteAtExit(*output_, source_folder_);
  if (sound_view_) settings_->StoreSoundViewShown(sound_view_->open());
}

void MainWindow::AddRecentFile(const std::string& path) {
  settings_->recent_files().Add(path);
}

void MainWindow::SoundOptionsChanged() {
  // The counter moved on: stored at once, so that a crash keeps it too.
  if (settings_ && output_) settings_->StoreSoundOptions(output_->config());
}

}  // namespace kornmill
