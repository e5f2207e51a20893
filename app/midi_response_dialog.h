// The dialog "Configure MIDI Response Options" (dialog 111): note response and expression rows.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "midi/midi_config.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace kornmill {

// Edits a copy of the MIDI settings; the caller takes edited() on OK (Cancel
// leaves everything as it was). GUI thread only.
class MidiResponseDialog : public QDialog {
  Q_OBJECT

 public:
  MidiResponseDialog(const MidiConfig& config, QWidget* parent = nullptr);

  // What "&Help" opens.
  void set_help(std::function<void()> help) { help_ = std::move(help); }
  // The settings as edited; after OK with row 0 rebuilt and the rows compacted.
  const MidiConfig& edited() const { return edit_; }

  // Items, for tests and the layout.
  QCheckBox* note_to_pitch() const { return note_to_pitch_; }
  QRadioButton* stop_at_new_note() const { return stop_new_; }
  QRadioButton* stop_at_note_off() const { return stop_off_; }
  QCheckBox* restart_new_note() const { return restart_new_; }
  QCheckBox* restart_tied_note() const { return restart_tied_; }
  QSlider* bend_slider() const { return bend_; }
  QLabel* bend_label() const { return bend_label_; }
  QComboBox* source(int row) const { return sources_[row]; }
  QComboBox* parameter(int row) const { return parameters_[row]; }
  QSpinBox* from(int row) const { return from_[row]; }
  QSpinBox* to(int row) const { return to_[row]; }

 public slots:
  void accept() override;

 private:
  QWidget* BuildNoteGroup();
  QWidget* BuildExpressionGroup();
  void ShowNoteResponse();
  void OnNoteToPitch(bool on);
  void OnStopMode();
  void OnRestartNew(bool on);
  void OnBend(int range);
  void StorePercents();

  MidiConfig edit_;
  std::function<void()> help_;
  QCheckBox* note_to_pitch_ = nullptr;
  QRadioButton* stop_new_ = nullptr;
  QRadioButton* stop_off_ = nullptr;
  QCheckBox* restart_new_ = nullptr;
  QCheckBox* restart_tied_ = nullptr;
  QSlider* bend_ = nullptr;
  QLabel* bend_label_ = nullptr;
  std::array<QComboBox*, kExpressionRows> sources_{};
  std::array<QComboBox*, kExpressionRows> parameters_{};
  std::array<QSpinBox*, kExpressionRows> from_{};
  std::array<QSpinBox*, kExpressionRows> to_{};
};

}  // namespace kornmill
