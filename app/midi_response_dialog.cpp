// The MIDI response dialog: the note response's check boxes and their enabling, the bend slider,
// six expression rows, and OK's packing and compaction.
#include "app/midi_response_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "resources/ids.h"

namespace kornmill {

namespace {

QString ItemName(int id) {
  return QStringLiteral("item%1").arg(id);
}

QString Text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// Group titles are bold; what stands inside keeps the dialog's font.
void MakeTitleBold(QGroupBox* group, const QFont& normal) {
  QFont bold = normal;
  bold.setBold(true);
  group->setFont(bold);
  for (QWidget* child : group->findChildren<QWidget*>()) child->setFont(normal);
}

// A per-cent field: any number may be typed; leaving the field clamps it to
// 0 .. 100 and shows it clamped.
class PercentBox final : public QSpinBox {
 public:
  explicit PercentBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, kPercentMax);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  }
  QValidator::State validate(QString& text, int&) const override {
    if (text.isEmpty() || text == QStringLiteral("-")) return QValidator::Intermediate;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok) return QValidator::Invalid;
    return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
  }
  void fixup(QString& text) const override {
    bool ok = false;
    const long long v = text.toLongLong(&ok);
    text = QString::number(ok ? ClampPercent(v) : value());
  }
};

}  // namespace

MidiResponseDialog::MidiResponseDialog(const MidiConfig& config, QWidget* parent)
    : QDialog(parent), edit_(config) {
  setWindowTitle(QStringLiteral("Configure MIDI Response Options"));
  setObjectName(ItemName(kIdMidiResponseDialog));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildNoteGroup());
  layout->addWidget(BuildExpressionGroup());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &MidiResponseDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &MidiResponseDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (help_) help_();
  });
  layout->addWidget(buttons);
  ShowNoteResponse();
}

QWidget* MidiResponseDialog::BuildNoteGroup() {
  auto* group = new QGroupBox(QStringLiteral("Note Response"), this);
  auto* grid = new QGridLayout(group);
  note_to_pitch_ = new QCheckBox(QStringLiteral("Note value --> Pitch"), group);
  grid->addWidget(note_to_pitch_, 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Stop playing at:"), group), 1, 0);
  stop_new_ = new QRadioButton(QStringLiteral("New Note on"), group);
  stop_off_ = new QRadioButton(QStringLiteral("(Untied) Note off"), group);
  auto* stops = new QButtonGroup(group);
  stops->addButton(stop_new_);
  stops->addButton(stop_off_);
  grid->addWidget(stop_new_, 1, 1);
  grid->addWidget(stop_off_, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Restart sound loop at:"), group), 2, 0);
  restart_new_ = new QCheckBox(QStringLiteral("New note"), group);
  restart_tied_ = new QCheckBox(QStringLiteral("Tied note"), group);
  grid->addWidget(restart_new_, 2, 1);
  grid->addWidget(restart_tied_, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Pitch bend range:"), group), 3, 0);
  bend_ = new QSlider(Qt::Horizontal, group);
  bend_->setObjectName(ItemName(kIdBendSlider));
  bend_->setRange(0, kMaxBendRange);
  bend_->setPageStep(1);
  bend_label_ = new QLabel(group);
  bend_label_->setObjectName(ItemName(kIdBendLabel));
  grid->addWidget(bend_, 3, 1);
  grid->addWidget(bend_label_, 3, 2);
  connect(note_to_pitch_, &QCheckBox::toggled, this, &MidiResponseDialog::OnNoteToPitch);
  connect(stop_new_, &QRadioButton::clicked, this, &MidiResponseDialog::OnStopMode);
  connect(stop_off_, &QRadioButton::clicked, this, &MidiResponseDialog::OnStopMode);
  connect(restart_new_, &QCheckBox::toggled, this, &MidiResponseDialog::OnRestartNew);
  connect(restart_tied_, &QCheckBox::toggled, this, [this](bool on) { edit_.restart_tied = on; });
  connect(bend_, &QSlider::valueChanged, this, &MidiResponseDialog::OnBend);
  MakeTitleBold(group, font());
  return group;
}

QWidget* MidiResponseDialog::BuildExpressionGroup() {
  auto* group = new QGroupBox(QStringLiteral("Expression Response"), this);
  auto* grid = new QGridLayout(group);
  const char* headings[] = {"Source", "Parameter", "From %", "To %"};
  for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(QString::fromUtf8(headings[c]), group), 0, c);
  for (int i = 0; i < kExpressionRows; ++i) {
    const ExpressionRow row = UnpackRow(edit_.response[static_cast<size_t>(i + 1)]);
    QComboBox* source = sources_[i] = new QComboBox(group);
    QComboBox* parameter = parameters_[i] = new QComboBox(group);
    QSpinBox* from = from_[i] = new PercentBox(group);
    QSpinBox* to = to_[i] = new PercentBox(group);
    source->setObjectName(ItemName(kIdFirstResponseSource + i));
    parameter->setObjectName(ItemName(kIdFirstResponseParam + i));
    from->setObjectName(ItemName(kIdFirstResponseFrom + i));
    to->setObjectName(ItemName(kIdFirstResponseTo + i));
    for (const ResponseSource& s : kResponseSources) source->addItem(Text(s.text));
    for (const ResponseParameter& p : kResponseParameters) parameter->addItem(Text(p.text));
    source->setCurrentIndex(row.source < kSourceCount ? row.source : 0);
    parameter->setCurrentIndex(row.parameter < kParameterCount ? row.parameter : 0);
    from->setValue(row.from);
    to->setValue(row.to);
    auto& word = edit_.response[static_cast<size_t>(i + 1)];
    connect(source, &QComboBox::activated, this, [&word](int index) { word = WithSource(word, index); });
    connect(parameter, &QComboBox::activated, this,
            [&word](int index) { word = WithParameter(word, index); });
    // The spin boxes clamp what is typed to 0..100 and show it clamped.
    connect(from, &QSpinBox::editingFinished, this, &MidiResponseDialog::StorePercents);
    connect(to, &QSpinBox::editingFinished, this, &MidiResponseDialog::StorePercents);
    grid->addWidget(source, i + 1, 0);
    grid->addWidget(parameter, i + 1, 1);
    grid->addWidget(from, i + 1, 2);
    grid->addWidget(to, i + 1, 3);
  }
  MakeTitleBold(group, font());
  return group;
}

void MidiResponseDialog::ShowNoteResponse() {
  if (edit_.note_to_pitch) {
    edit_.stop_mode = kStopAtNoteOff;
    note_to_pitch_->setChecked(true);
    OnNoteToPitch(true);
  } else {
    (edit_.stop_mode == kStopAtNewNote ? stop_new_ : stop_off_)->setChecked(true);
  }
  if (edit_.restart_new) {
    restart_new_->setChecked(true);
    restart_tied_->setChecked(edit_.restart_tied);
  } else {
    edit_.restart_tied = false;
    restart_tied_->setEnabled(false);
  }
  bend_->setValue(edit_.bend_range);
  OnBend(edit_.bend_range);
}

void MidiResponseDialog::OnNoteToPitch(bool on) {
  edit_.note_to_pitch = on;
  edit_.stop_mode = on ? kStopAtNoteOff : kStopAtNewNote;
  stop_off_->setChecked(on);
  stop_new_->setChecked(!on);
  stop_new_->setEnabled(!on);
  stop_off_->setEnabled(!on);
}

void MidiResponseDialog::OnStopMode() {
  edit_.stop_mode = stop_new_->isChecked() ? kStopAtNewNote : kStopAtNoteOff;
}

void MidiResponseDialog::OnRestartNew(bool on) {
  edit_.restart_new = on;
  edit_.restart_tied = false;
  restart_tied_->setChecked(false);
  restart_tied_->setEnabled(on);
}

void MidiResponseDialog::OnBend(int range) {
  edit_.bend_range = range;
  bend_label_->setText(range == 0 ? QStringLiteral("None") : QStringLiteral("%1 notes").arg(range));
}

void MidiResponseDialog::StorePercents() {
  for (int i = 0; i < kExpressionRows; ++i) {
    auto& word = edit_.response[static_cast<size_t>(i + 1)];
    word = WithTo(WithFrom(word, from_[i]->value()), to_[i]->value());
  }
}

void MidiResponseDialog::accept() {
  StorePercents();
  edit_.response[0] = BuildNoteResponse(edit_);
  CompactExpressionRows(edit_.response);
  QDialog::accept();
}

}  // namespace kornmill
