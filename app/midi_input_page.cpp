// The "MIDI input" page: the device list with "None" first, the channel field and the two flags.
#include "app/midi_input_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "resources/ids.h"

namespace kornmill {

namespace {

QString Id(int id) {
  return QStringLiteral("item%1").arg(id);
}

// Digits a channel field holds: enough for a mistyped 100..999, which is then refused.
constexpr int kChannelDigits = 3;

}  // namespace

ChannelBox::ChannelBox(QWidget* parent) : QSpinBox(parent) {
  setRange(kChannelByStream, kMaxChannel);
  // Leaving the field with an unacceptable number puts back the last good one.
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(false);
}

QValidator::State ChannelBox::validate(QString& text, int& /*pos*/) const {
  const QString t = text.trimmed();
  if (t.isEmpty()) return QValidator::Intermediate;
  if (t.size() > kChannelDigits) return QValidator::Invalid;
  for (QChar c : t) {
    if (!c.isDigit()) return QValidator::Invalid;
  }
  return t.toInt() <= kMaxChannel ? QValidator::Acceptable : QValidator::Intermediate;
}

void ChannelBox::fixup(QString& text) const {
  text = QString::number(value());
}

MidiInputPage::MidiInputPage(MidiConfig& config, const std::vector<MidiPortEntry>& devices,
                             QWidget* parent)
    : QWidget(parent), config_(config) {
  setObjectName(QStringLiteral("dialog%1").arg(kIdMidiInputPage));
  BuildItems(devices);
  Connect();
}

void MidiInputPage::BuildItems(const std::vector<MidiPortEntry>& devices) {
  auto* heading = new QLabel(QStringLiteral("Select MIDI input device"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  devices_ = new QComboBox(this);
  devices_->setObjectName(Id(kIdMidiDeviceList));
  devices_->addItem(QStringLiteral("None"));
  for (const MidiPortEntry& d : devices) devices_->addItem(QString::fromStdString(d.label));
  const int row = config_.device + 1;
  devices_->setCurrentIndex(row >= 0 && row < devices_->count() ? row : 0);

  channel_ = new ChannelBox(this);
  channel_->setObjectName(Id(kIdMidiChannel));
  channel_->setValue(config_.channel);
  move_sliders_ = new QCheckBox(QStringLiteral("Move sliders"), this);
  move_sliders_->setObjectName(Id(kIdMoveSliders));
  move_sliders_->setChecked(config_.move_sliders);
  monitor_ = new QCheckBox(QStringLiteral("Monitor input"), this);
  monitor_->setObjectName(Id(kIdMonitorInput));
  monitor_->setChecked(config_.monitor);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("MIDI ch. (0=Omni)"), channel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(devices_);
  layout->addLayout(form);
  layout->addWidget(move_sliders_);
  layout->addWidget(monitor_);
  layout->addStretch(1);
}

void MidiInputPage::Connect() {
  connect(devices_, &QComboBox::activated, this,
          [this](int row) { config_.device = row - 1; });  // "None" is -1
  connect(channel_, &QSpinBox::valueChanged, this, [this](int c) { config_.channel = c; });
  connect(move_sliders_, &QCheckBox::clicked, this, [this](bool on) { config_.move_sliders = on; });
  connect(monitor_, &QCheckBox::clicked, this, [this](bool on) { config_.monitor = on; });
}

}  // namespace kornmill
