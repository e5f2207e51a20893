// The "MIDI input" page of the options dialog (dialog 112): device, channel, move sliders, monitor.
#pragma once

#include <QSpinBox>
#include <QWidget>
#include <vector>

#include "midi/midi_config.h"
#include "midi/midi_ports.h"

class QCheckBox;
class QComboBox;

namespace kornmill {

// The channel field with its arrows, 0 to 16. While typing, any number of up to
// three digits is accepted; when the field is left, a number above 16 is
// refused and the previous channel shows again.
class ChannelBox : public QSpinBox {
  Q_OBJECT

 public:
  explicit ChannelBox(QWidget* parent);

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
  void fixup(QString& text) const override;
};

// Edits the MIDI configuration it is given, item by item, as the user changes
// them; the dialog copied the configuration before and puts the copy back on
// Cancel. GUI thread only.
class MidiInputPage : public QWidget {
  Q_OBJECT

 public:
  MidiInputPage(MidiConfig& config, const std::vector<MidiPortEntry>& devices, QWidget* parent);

  QComboBox* devices() const { return devices_; }
  ChannelBox* channel() const { return channel_; }
  QCheckBox* move_sliders() const { return move_sliders_; }
  QCheckBox* monitor() const { return monitor_; }

 private:
  void BuildItems(const std::vector<MidiPortEntry>& devices);
  void Connect();

  MidiConfig& config_;
  QComboBox* devices_ = nullptr;
  ChannelBox* channel_ = nullptr;
  QCheckBox* move_sliders_ = nullptr;
  QCheckBox* monitor_ = nullptr;
};

}  // namespace kornmill
