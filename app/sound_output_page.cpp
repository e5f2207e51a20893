// The "Sound output" page: every item shows the output configuration and changes it at once.
#include "app/sound_output_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

#include "engine/engine.h"
#include "output/audio_output.h"
#include "output/output_options.h"
#include "resources/ids.h"

namespace kornmill {

namespace {

QString Id(int id) {
  return QStringLiteral("item%1").arg(id);
}

}  // namespace

SoundOutputPage::SoundOutputPage(OutputOptions& options, const std::vector<DeviceEntry>& devices,
                                 Guard guard, QWidget* parent)
    : QWidget(parent), options_(options), guard_(std::move(guard)) {
  setObjectName(QStringLiteral("dialog%1").arg(kIdSoundOutputPage));
  BuildItems();
  FillDevices(devices);
  FillRates();
  UpdateBufferLabel();
  Connect();
}

void SoundOutputPage::BuildItems() {
  auto* heading = new QLabel(QStringLiteral("Select audio output device"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  devices_ = new QComboBox(this);
  devices_->setObjectName(Id(kIdOutputDeviceList));
  rates_ = new QComboBox(this);
  rates_->setObjectName(Id(kIdSampleRateList));
  stereo_ = new QCheckBox(QStringLiteral("Stereo"), this);
  stereo_->setObjectName(Id(kIdStereoCheck));
  stereo_->setChecked(options_.config().stereo != 0);
  block_size_ = new QSlider(Qt::Horizontal, this);
  block_size_->setObjectName(Id(kIdBlockSizeSlider));
  block_size_->setRange(kMinBlockPosition, kMaxBlockPosition);
  block_size_->setPageStep(1);
  block_size_->setValue(BlockPositionForFrames(options_.config().frames_per_block));
  buffer_label_ = new QLabel(this);
  buffer_label_->setObjectName(Id(kIdBufferLabel));
  render_threads_ = new QSpinBox(this);
  render_threads_->setObjectName(Id(kIdRenderThreadsSpin));
  // Up to one per core; a count stored on a larger machine is still shown.
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const int current = options_.config().render_threads;
  render_threads_->setRange(1, std::clamp(std::max(cores, current), 1, Engine::kMaxRenderThreads));
  render_threads_->setValue(current);
  render_threads_->setToolTip(
      QStringLiteral("Threads that render each block together. More than one shares dense "
                     "grain clouds between the cores; one leaves the other cores free."));
  test_play_ = new QPushButton(QStringLiteral("&Test Play"), this);
  test_play_->setObjectName(Id(kIdTestPlay));
  test_play_->setCheckable(true);
  test_play_->installEventFilter(this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Sample rate (Hz):"), rates_);
  form->addRow(QString(), stereo_);
  form->addRow(QStringLiteral("Block size:"), block_size_);
  form->addRow(QStringLiteral("Latency:"), buffer_label_);
  form->addRow(QStringLiteral("Render threads:"), render_threads_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(devices_);
  layout->addLayout(form);
  layout->addWidget(test_play_, 0, Qt::AlignLeft);
  layout->addStretch(1);
}

void SoundOutputPage::Connect() {
  connect(devices_, &QComboBox::activated, this, [this](int i) {
    if (!ended_) options_.SelectDevice(devices_->itemData(i).toInt());
  });
  connect(rates_, &QComboBox::activated, this, [this](int i) {
    if (ended_) return;
    options_.SelectRate(rates_->itemData(i).toInt());
    UpdateBufferLabel();
  });
  connect(stereo_, &QCheckBox::clicked, this, [this](bool on) {
    if (ended_) return;
    options_.SetStereo(on);
    UpdateBufferLabel();
  });
  connect(block_size_, &QSlider::valueChanged, this, [this](int position) {
    if (ended_) return;
    options_.SetBlockPosition(position);
    UpdateBufferLabel();
  });
  connect(render_threads_, &QSpinBox::valueChanged, this, [this](int threads) {
    if (!ended_) options_.SetRenderThreads(threads);
  });
  connect(test_play_, &QPushButton::clicked, this, &SoundOutputPage::OnTestPlayClicked);
}

void SoundOutputPage::FillDevices(const std::vector<DeviceEntry>& devices) {
  const int32_t selected = options_.config().selected_device;
  int current = -1;
  int first_rtaudio = -1;
  for (const DeviceEntry& d : devices) {
    const int row = devices_->count();
    devices_->addItem(QString::fromStdString(d.label), d.selection);
    if (d.selection == selected) current = row;
    if (first_rtaudio < 0 && IsRtAudioSelection(d.selection)) first_rtaudio = row;
  }
  // The default selection stands for the first device of any host API.
  if (current < 0 && selected == kRtAudioDeviceBase) current = first_rtaudio;
  devices_->setCurrentIndex(current);
}

void SoundOutputPage::FillRates() {
  const int32_t current = options_.config().sample_rate;
  rates_->clear();
  bool listed = false;
  for (int32_t rate : kOfferedRates) {
    // A rate the device chose that the list lacks (192000, say) is shown in its place.
    if (!listed && current > rate) {
      rates_->addItem(QString::number(current), current);
      listed = true;
    }
    rates_->addItem(QString::number(rate), rate);
    if (rate == current) listed = true;
  }
  if (!listed) rates_->addItem(QString::number(current), current);
  rates_->setCurrentIndex(rates_->findData(current));
}

void SoundOutputPage::UpdateBufferLabel() {
  buffer_label_->setText(QString::fromStdString(options_.BufferLabel()));
}

bool SoundOutputPage::Run(const std::function<void()>& call) {
  if (!ended_) ended_ = !guard_(call);
  return !ended_;
}

void SoundOutputPage::OnTestPlayClicked() {
  if (ended_) return;
  // Clicked while something plays (a Test Play, or a MIDI note's play): stop.
  if (options_.playing()) {
    StopTestPlay();
    return;
  }
  bool started = false;
  if (!Run([this, &started] { started = options_.TestPlayStart(); })) return;
  test_play_->setChecked(started);
  // The device may have imposed its block size or rate.
  block_size_->blockSignals(true);
  block_size_->setValue(BlockPositionForFrames(options_.config().frames_per_block));
  block_size_->blockSignals(false);
  FillRates();
  UpdateBufferLabel();
}

void SoundOutputPage::StopTestPlay() {
  test_play_->setChecked(false);
  if (!ended_ && options_.playing()) Run([this] { options_.TestPlayStop(); });
}

bool SoundOutputPage::eventFilter(QObject* watched, QEvent* event) {
  // Test Play lasts while its button has the focus.
  if (watched == test_play_ && event->type() == QEvent::FocusOut && !ended_ &&
      options_.playing()) {
    StopTestPlay();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kornmill
