// The main window's menus, their marks and greying, and the help texts of highlighted items.
#pragma once

#include <QObject>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace kornmill {

class StatusBar;

// What the marks and greying are computed from, read each time a menu opens.
struct MenuState {
  bool playing = false;
  bool recording = false;
  bool test_tone = true;      // the current stream plays the built-in sine
  bool stereo_sound = false;  // the current stream's sound has two channels
  int input_mask = 1;
  int interpolation_id = 0;  // 40049, 40050 or 40052
  bool numbered_files = false;
  bool one_file_per_stream = false;
  int sample_bits = 16;
  bool reset_loop = false;
  bool soft_stop = false;
  bool hard_sync = false;
  bool live_input = false;  // the source kind is live input (40047)
  // A window that this program may lack: its command is greyed.
  bool gesture_window_available = false;
  bool sound_view_open = false;  // the sound view window is shown
  bool relative_fine = false;   // fine controllers step relatively (14-bit mode off)
  bool program_change = false;  // MIDI program changes recall patches
};

// Fills the "&Recent Soundfiles" submenu (items 22222 + i) each time a menu
// opens; returns the number of entries. Without one the submenu stays empty.
using RecentFilesFiller = std::function<int(QMenu& menu)>;

// Builds the menus once and recomputes every mark when a menu opens. GUI thread only.
class MenuBar : public QObject {
  Q_OBJECT

 public:
  MenuBar(QMenuBar* bar, StatusBar* status, std::function<MenuState()> state,
          std::function<void(int id)> command);

  // The item with command id `id`, or null.
  QAction* action(int id) const;
  QMenu* recent_files_menu() const { return recent_menu_; }
  void set_recent_files_filler(RecentFilesFiller filler) { recent_filler_ = std::move(filler); }
  QMenu* output_options_menu() const { return output_menu_; }
  QMenu* stereo_input_menu() const { return stereo_menu_; }
  QMenu* grain_options_menu() const { return grain_menu_; }
  QMenu* interpolation_menu() const { return interpolation_menu_; }
  QMenu* midi_options_menu() const { return midi_menu_; }

  // Sets every mark and greying from the program state.
  void UpdateMenuState();
  // Start-up: removes "&Live Input", "New &Login..." and the separator after
  // the recent files, and the window's maximize button.
  void TrimMenus();

 private:
  QAction* Add(QMenu* menu, int id, const char* text, bool checkable = false);
  QMenu* AddMenu(QMenuBar* bar, QMenu* parent, const char* title);
  void BuildFileMenu(QMenuBar* bar);
  void BuildCommandMenu(QMenuBar* bar);
  void BuildOutputMenu(QMenuBar* bar);
  void BuildMidiMenu(QMenuBar* bar);
  void BuildStreamMenu(QMenuBar* bar);
  void BuildHelpMenu(QMenuBar* bar);
  void UpdateSource(const MenuState& s);
  void UpdateRecentFiles();
  void OnHovered(QAction* item);
  void Check(int id, bool on);
  void Enable(int id, bool on);

  StatusBar* status_;
  std::function<MenuState()> state_;
  std::function<void(int)> command_;
  std::map<int, QAction*> actions_;
  RecentFilesFiller recent_filler_;
  QMenuBar* bar_ = nullptr;
  QMenu* file_menu_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QAction* after_recent_ = nullptr;  // the separator TrimMenus removes
  QAction* new_login_ = nullptr;
  QMenu* output_menu_ = nullptr;
  QMenu* stereo_menu_ = nullptr;
  QMenu* grain_menu_ = nullptr;
  QMenu* interpolation_menu_ = nullptr;
  QMenu* midi_menu_ = nullptr;
};

}  // namespace kornmill
