// The MIDI input in the program: start-up and shut-down, the posted events, the MIDI commands.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "midi/midi_input.h"
#include "output/audio_output.h"

class QWidget;

namespace kornmill {

class Engine;
class EventPoster;
class MidiWakeup;
class StreamTable;

// Main thread only. The input's thread only pushes messages into the queue
// and wakes the main loop; they are decoded here, with the render lock held,
// at the start of every block and at every wake-up.
class MidiGlue final : public MidiHost, public MidiInputView, public BlockObserver {
 public:
  // What the glue asks of the window.
  struct Hooks {
    std::function<void()> toggle_play;                 // TogglePlay(4)
    std::function<void(const QString&)> show_status;   // status-bar part 1
    std::function<void(const QString&, const QString&)> show_error;  // title, text
    std::function<void(const QString&)> show_warning;
    std::function<void()> enter_modal;
    std::function<void()> leave_modal;
    std::function<void()> show_help;  // the MIDI response page
  };

  MidiGlue(StreamTable& streams, Engine& engine, AudioOutput& output, EventPoster& poster,
           QWidget* window, Hooks hooks, std::unique_ptr<MidiPortProvider> ports);
  ~MidiGlue() override;

  MidiInput& input() { return input_; }
  const MidiConfig& config() const { return input_.config(); }

  // Start-up step 10 (after the audio output): the program goes on whatever it returns.
  bool InitMidiInput() { return input_.InitMidiInput(); }
  // Shut-down: stops and closes the input.
  void Close() { input_.CloseMidiInput(); }

  // The window's answers to the posted MIDI events.
  void OnPlayRequest(bool start);
  // Commands 40046, 40017 and 40018; false for other ids.
  bool RunCommand(int id);

  // BlockObserver: under the render lock, before each block.
  void BeforeBlock() override;

  // MidiHost (render side): the output's state, and posts to the window.
  bool playing() const override { return output_.playing(); }
  bool stopping() const override { return output_.stopping(); }
  bool recording() const override { return output_.recording(); }
  void PostPlay(bool start) override;
  void PostProgram(int id, int stream) override;
  void PostMonitor(uint32_t message) override;
  void PostControlPosition(int control, int position) override;

  // MidiInputView
  void ShowMidiError(std::string_view title, std::string_view text) override;
  void ShowMidiWarning(std::string_view text) override;

 private:
  void OnWakeup();
  void ReportDropped();
  void RunResponseDialog();

  AudioOutput& output_;
  EventPoster& poster_;
  QWidget* window_;
  Hooks hooks_;
  MidiInput input_;
  std::unique_ptr<MidiWakeup> wakeup_;
  uint64_t dropped_shown_ = 0;
};

}  // namespace kornmill
