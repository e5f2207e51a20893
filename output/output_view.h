// What the audio output asks of the application: buttons, status texts, message boxes and wake-ups.
#pragma once

#include <cstdint>
#include <string_view>

namespace kornmill {

// The window side of the audio output. All calls come from the main thread.
class OutputView {
 public:
  virtual ~OutputView() = default;
  // Text and check state of a play button: kIdPlayButton (1031, main window)
  // or kIdGesturePlay (2031, gesture window).
  virtual void SetPlayButton(int button_id, std::string_view text, bool checked) = 0;
  // Check state of the record buttons (1032 and, when the gesture window is open, 2032).
  virtual void SetRecordButtons(bool checked) = 0;
  // Status bar part 1.
  virtual void ShowStatus(std::string_view text) = 0;
  // A message box with a title (device errors).
  virtual void ShowError(std::string_view title, std::string_view text) = 0;
  // A warning box titled "Kornmill Warning!".
  virtual void ShowWarning(std::string_view text) = 0;
  // Whether the gesture window is open (its buttons then follow the main ones).
  virtual bool GestureWindowOpen() const { return false; }
  // The output file counter moved on: store the "Sound options" setting now.
  virtual void SoundOptionsChanged() {}
  // The output rate changed (the options dialog, or a device that imposes its
  // rate): the rate constants of sounds the output does not know (the cached
  // ones of the sound table) follow. Called while nothing plays.
  virtual void OutputRateChanged(uint32_t /*rate*/) {}
};

// Wakes the main thread when a block has been consumed (the "block done"
// event). Called from the device's thread (the RtAudio callback
// or the null device's clock) and from the main thread itself: it must not
// allocate, must not block and must not take a lock the main thread holds for
// long (an eventfd or a pipe watched by the main loop does). The main thread
// answers every wake-up with AudioOutput::OnBlockDone(index); wake-ups may be
// counted together, the index only names the block and may be ignored.
class MainThreadWaker {
 public:
  virtual ~MainThreadWaker() = default;
  virtual void PostBlockDone(int index) = 0;
};

}  // namespace kornmill
