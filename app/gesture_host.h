// Opens and closes the Gesture Window for the main window and keeps the engine's mix hook.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

namespace kornmill {

class GestureMixer;
class GestureWindow;
class MainWindow;

// At most one Gesture Window, owned by the main window. GUI thread only.
class GestureHost {
 public:
  // Hooks the mixer into the engine; it mixes while the output says the pad is active.
  explicit GestureHost(MainWindow& main);
  ~GestureHost();
  GestureHost(const GestureHost&) = delete;
  GestureHost& operator=(const GestureHost&) = delete;

  // "Open &Gesture Window": creates the window when there is none, then shows it.
  void Open();
  // Null when the window is closed.
  GestureWindow* window() const;
  bool open() const;
  GestureMixer& mixer() { return *mixer_; }

  // Around modal dialogs: the window takes no input while one is up.
  void SetEnabled(bool enabled);
  // The window's Play and Record buttons follow the main window's.
  void SetPlayButton(const QString& text, bool checked);
  void SetRecordButton(bool checked);

 private:
  void Create();
  void Place();
  void Play();
  void Close();
  void EnableBankCommands(bool enabled);

  MainWindow& main_;
  std::unique_ptr<GestureMixer> mixer_;
  QPointer<GestureWindow> window_;
};

}  // namespace kornmill
