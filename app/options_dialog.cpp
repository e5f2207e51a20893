// The options dialog: builds the pages, and OK and Cancel in the order that keeps the output whole.
#include "app/options_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/midi_glue.h"
#include "app/midi_input_page.h"
#include "app/sound_output_page.h"
#include "output/output_options.h"
#include "resources/ids.h"
#include "resources/strings.h"

namespace kornmill {

namespace {

QString TabText(int page_id) {
  const std::string_view text = LoadText(page_id);
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

OptionsDialog::OptionsDialog(MainWindow& window)
    : QDialog(&window),
      window_(window),
      output_(std::make_unique<OutputOptions>(window.output())) {
  setWindowTitle(QStringLiteral("In/Out Options"));
  setObjectName(QStringLiteral("dialog%1").arg(kIdOptionsDialog));
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("item%1").arg(kIdOptionsTabs));
  const auto guard = [this](const std::function<void()>& call) {
    window_.CallOutput([&call](AudioOutput&) { call(); });
    if (!window_.ended()) return true;
    QDialog::reject();  // the program has ended: nothing is left to restore
    return false;
  };
  sound_page_ = new SoundOutputPage(*output_, window.output().ListDevices(), guard, tabs_);
  tabs_->addTab(sound_page_, TabText(kIdSoundOutputPage));
  RefreshMidiDevices();
  MidiInput& midi = window.midi().input();
  midi_found_ = midi.config();
  midi_page_ = new MidiInputPage(midi.config(), midi.devices(), tabs_);
  tabs_->addTab(midi_page_, TabText(kIdMidiInputPage));

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { window_.ShowHelp(this); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::RefreshMidiDevices() {
  MidiInput& midi = window_.midi().input();
  MidiConfig& config = midi.config();
  std::string chosen;
  const auto& before = midi.devices();
  if (config.device >= 0 && config.device < static_cast<int>(before.size())) {
    chosen = before[static_cast<size_t>(config.device)].label;
  }
  const auto& now = midi.RefreshDevices();
  if (chosen.empty()) return;
  // A device that has gone shows as "None"; the port stays open until another is chosen.
  config.device = kNoMidiDevice;
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i].label == chosen) config.device = static_cast<int32_t>(i);
  }
}

void OptionsDialog::accept() {
  MidiInput& midi = window_.midi().input();
  // After an OK that failed, the device found at opening is no longer open either.
  if (midi.config().device != midi_found_.device || midi_reopened_) {
    midi_reopened_ = true;
    // The error has been shown; another choice and OK again retries.
    if (!midi.OpenMidiInput()) return;
  }
  window_.CallOutput([this](AudioOutput&) { output_->Apply(); });
  if (window_.ended()) sound_page_->Detach();
  QDialog::accept();
}

void OptionsDialog::reject() {
  MidiInput& midi = window_.midi().input();
  midi.config() = midi_found_;
  // An OK that failed to open a new device left none open: the old one comes back.
  if (midi_reopened_) midi.OpenMidiInput();
  // CallOutput does nothing once the program has ended.
  window_.CallOutput([this](AudioOutput&) { output_->Restore(); });
  if (window_.ended()) sound_page_->Detach();
  QDialog::reject();
}

}  // namespace kornmill
