// The menu commands: sound source, stream options, output soundfile options, help.
#pragma once

#include <QString>
#include <string>

namespace kornmill {

class Dialogs;
class MainWindow;
struct Sound;

// Runs the commands of the menus on the GUI thread.
class MenuCommands {
 public:
  MenuCommands(MainWindow& window, Dialogs& dialogs);

  // Runs command `id`; unknown ids do nothing.
  void Run(int id);
  // A sound finished loading for stream `stream` (the loader's posted message).
  void OnSoundLoaded(int stream, Sound* sound);
  // The load after the chooser: also a soundfile dropped on a window.
  void LoadSoundfilePath(const QString& path);

 private:
  void LoadSoundfile();
  // Entry `index` of the recent-files list, when its file still exists.
  void LoadRecentFile(int index);
  void UseTestTone();
  void SelectOutputFolder();
  void ToggleConfigFlag(int32_t& flag);
  void SoundcardOptions();
  void About();

  MainWindow& window_;
  Dialogs& dialogs_;
};

}  // namespace kornmill
