// The instrument's main window: start-up, posted events, keys, exit and the audio output's view.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/event_poster.h"
#include "controls/stream.h"
#include "midi/midi_ports.h"
#include "output/audio_output.h"
#include "output/output_view.h"

namespace kornmill {

class BlockDoneWaker;
class Choosers;
class ControlView;
class DialogPanel;
class Dialogs;
class Engine;
class GestureHost;
class MenuBar;
class MenuCommands;
class MessageBoxes;
class MidiGlue;
class PatchPrompts;
class PatchView;
class RecentFilesMenu;
class RegistryStore;
class SettingsGlue;
class SettingsSessionStore;
class SoundTable;
class SoundViewHost;
class StreamView;
class WindowLoaderHost;
struct MenuState;

// What a window is started with; the defaults are the real program's.
struct MainWindowOptions {
  Dialogs* dialogs = nullptr;               // null: the real message boxes and choosers
  std::unique_ptr<DeviceProvider> devices;  // null: RtAudio and the null device
  WriterFactory writer_factory;             // empty: the sound-file library's WAV writer
  bool use_null_device = false;             // select the null device instead of RtAudio
  std::string output_folder;                // in place of the stored "Soundfile out folder"
  std::string source_folder;                // in place of the stored "Soundfile in folder"
  std::shared_ptr<RegistryStore> settings;  // null: the user's settings file
  std::string patch_folder;                 // empty: the stored one, else the program's
  std::string factory_folder;               // empty: the factory banks installed with it
  std::unique_ptr<MidiPortProvider> midi_ports;  // null: the ALSA sequencer and JACK
};

// Everything here runs on the GUI thread unless a comment says otherwise.
class MainWindow : public QMainWindow, private OutputView {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowOptions options = {});
  ~MainWindow() override;

  // Runs a menu command (or 2, the dialog's Escape / close command).
  void OnMenuCommand(int id);
  // The exit sequence; false when it was cancelled and the program goes on.
  bool Exit();
  // Closes the output file and the devices; safe to call more than once.
  void ShutDown();
  // True once the program has shut down (after the exit command or a fatal error).
  bool ended() const { return shut_down_; }

  // Posting the events of app/posted_events.h from other threads (sound
  // loader, MIDI): any thread.
  EventPoster& poster() { return poster_; }

  // Parts, for the program's other windows and for tests.
  Engine& engine() { return *engine_; }
  StreamTable& streams() { return streams_; }
  AudioOutput& output() { return *output_; }
  SoundTable& sounds() { return *sounds_; }
  // The folder the soundfile chooser starts in (the last loaded sound's).
  const std::string& source_folder() const { return source_folder_; }
  DialogPanel& panel() { return *panel_; }
  PatchView& patches() { return *patch_view_; }
  ControlView& controls() { return *controls_; }
  StreamView& stream_view() { return *stream_view_; }
  MenuBar& menus() { return *menus_; }
  MessageBoxes& boxes() { return *boxes_; }
  MidiGlue& midi() { return *midi_; }
  GestureHost& gesture() { return *gesture_; }
  SettingsGlue& settings() { return *settings_; }
  Choosers& choosers() { return *choosers_; }
  SoundViewHost& sound_view() { return *sound_view_; }
  bool q_key_down() const { return q_down_; }
  // The modifier keys as the window last saw them (Shift resets, Ctrl glides fast).
  Qt::KeyboardModifiers modifiers() const { return modifiers_; }
  // Control positions applied since start (each burst counts once).
  int control_values_applied() const { return control_values_applied_; }

  void EnterModal();
  void LeaveModal();
  // Opens the help at the keyword of `window`'s caption (the active window's
  // when null).
  void ShowHelp(QWidget* window = nullptr);
  // Runs an output operation; when the output ring cannot be allocated (the
  // fatal-error box has been shown) the program ends.
  void CallOutput(const std::function<void(AudioOutput&)>& call);
  // The Play buttons (the main window's, the Gesture Window's) and the record
  // buttons (">>> F&ile  ", "&Record").
  void OnPlayCommand(int source);
  void OnRecordCommand();
  // Loads `path` into the current stream as File > Load does after the
  // chooser (a soundfile dropped on a window).
  void LoadSoundfile(const QString& path);

 signals:
  // The main dialog ended: 1 after the exit command, -1 after a fatal error.
  void finished(int result);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void StartUp(MainWindowOptions& options);
  // Start-up: the stored settings and the choosers (before the patches and the output).
  void StartSettings(MainWindowOptions& options);
  // Start-up, once the menus exist: the recent files fill their submenu.
  void AttachRecentFiles();
  // Exit: the settings are saved (quietly; they stay as they were on failure).
  void SaveSettings();
  // A sound was loaded from `path`: it heads the recent-files list.
  void AddRecentFile(const std::string& path);
  bool StartOutput(MainWindowOptions& options);
  void StartMidi(MainWindowOptions& options);
  void EndAfterFatalError();
  void StartSoundTable();
  void StartPatches(MainWindowOptions& options);
  void AskForOutputFolder();
  // Registers the handler of each posted event type.
  void ConnectPostedEvents();
  void OnBlockDone(int index);
  void OnEscape();
  MenuState CurrentMenuState() const;

  // OutputView
  void SetPlayButton(int button_id, std::string_view text, bool checked) override;
  void SetRecordButtons(bool checked) override;
  void ShowStatus(std::string_view text) override;
  void ShowError(std::string_view title, std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void OutputRateChanged(uint32_t rate) override;
  bool GestureWindowOpen() const override;
  void SoundOptionsChanged() override;

  std::unique_ptr<Dialogs> own_dialogs_;
  std::unique_ptr<SettingsGlue> settings_;
  std::unique_ptr<Choosers> choosers_;
  std::unique_ptr<RecentFilesMenu> recent_menu_;
  std::unique_ptr<SettingsSessionStore> session_;
  std::unique_ptr<PatchPrompts> patch_prompts_;
  PatchView* patch_view_ = nullptr;
  std::unique_ptr<Engine> engine_;
  StreamTable streams_;
  DialogPanel* panel_ = nullptr;
  std::unique_ptr<ControlView> controls_;
  StreamView* stream_view_ = nullptr;
  MenuBar* menus_ = nullptr;
  std::unique_ptr<MessageBoxes> boxes_;
  BlockDoneWaker* waker_ = nullptr;
  std::unique_ptr<AudioOutput> output_;
  std::unique_ptr<WindowLoaderHost> loader_host_;
  std::unique_ptr<SoundTable> sounds_;
  std::string source_folder_;
  std::unique_ptr<MenuCommands> commands_;
  EventPoster poster_;
  std::unique_ptr<MidiGlue> midi_;
  std::unique_ptr<GestureHost> gesture_;  // after the parts it uses: it goes first
  std::unique_ptr<SoundViewHost> sound_view_;
  void TrackKeys(QEvent* event);

  bool q_down_ = false;
  Qt::KeyboardModifiers modifiers_;
  bool esc_down_ = false;
  bool shut_down_ = false;
  int control_values_applied_ = 0;
};

}  // namespace kornmill
