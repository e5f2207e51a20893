// The "In/Out Options" dialog (dialog 115): its pages on a tab control, OK, Cancel and Help.
#pragma once

#include <QDialog>
#include <memory>

#include "midi/midi_config.h"

class QTabWidget;

namespace kornmill {

class MainWindow;
class MidiInputPage;
class OutputOptions;
class SoundOutputPage;

// Modal; opened by "&Soundcard I/O Options..." while nothing plays or records.
// Changes on the pages are live; OK keeps them (and opens a newly chosen MIDI
// device: when it cannot be opened the dialog stays open), Cancel (also Escape
// and the close box) puts back what the dialog found and rebuilds from it. GUI thread only.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(MainWindow& window);
  ~OptionsDialog() override;

  QTabWidget* tabs() const { return tabs_; }
  SoundOutputPage* sound_output_page() const { return sound_page_; }
  MidiInputPage* midi_input_page() const { return midi_page_; }

  void accept() override;
  void reject() override;

 private:
  // Lists the MIDI devices again, keeping the chosen one chosen where it moved in the list.
  void RefreshMidiDevices();

  MainWindow& window_;
  std::unique_ptr<OutputOptions> output_;
  QTabWidget* tabs_ = nullptr;
  SoundOutputPage* sound_page_ = nullptr;
  MidiInputPage* midi_page_ = nullptr;
  MidiConfig midi_found_;  // the MIDI configuration as the dialog found it
  bool midi_reopened_ = false;  // an OK tried another device (and failed)
};

}  // namespace kornmill
