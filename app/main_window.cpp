// The main window: builds the instrument, dispatches posted events and keys, and ends it.
#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include "app/block_done_waker.h"
#include "app/choosers.h"
#include "app/control_scroll_bar.h"
#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/dialogs.h"
#include "app/focus_frame.h"
#include "app/gesture_host.h"
#include "app/help.h"
#include "app/loader_host.h"
#include "app/menu_bar.h"
#include "app/menu_commands.h"
#include "app/message_boxes.h"
#include "app/midi_glue.h"
#include "app/patch_view.h"
#include "app/posted_events.h"
#include "app/recent_files_menu.h"
#include "app/session_settings.h"
#include "app/settings_glue.h"
#include "app/sound_drop.h"
#include "app/sound_view_host.h"
#include "app/status_bar.h"
#include "app/stream_view.h"
#include "app/window_patch_prompts.h"
#include "base/sound.h"
#include "controls/texts.h"
#include "engine/engine.h"
#include "midi/midi_ports.h"
#include "output/output_folders.h"
#include "output/system_devices.h"
#include "resources/ids.h"
#include "soundfile/loader/sound_loader.h"

namespace kornmill {

namespace {

QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options) : poster_(this) {
  setWindowTitle(QStringLiteral("Kornmill"));
  setObjectName(QStringLiteral("SifterMain"));
  if (!options.dialogs) {
    own_dialogs_ = std::make_unique<QtDialogs>();
    options.dialogs = own_dialogs_.get();
  }
  boxes_ = std::make_unique<MessageBoxes>(
      *options.dialogs, this,
      MessageBoxes::Hooks{[this] { EnterModal(); }, [this] { LeaveModal(); },
                          [this] { EndAfterFatalError(); }});
  StartUp(options);
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  ShutDown();
  // The widgets go first: their handlers point into the parts below.
  delete panel_;
  panel_ = nullptr;
}

void MainWindow::StartUp(MainWindowOptions& options) {
  panel_ = new DialogPanel(this);
  setCentralWidget(panel_);
  // The engine's tables and the built-in sine, then stream 1 with its tab.
  engine_ = std::make_unique<Engine>();
  streams_.InitStreams(&engine_->sine());
  controls_ = std::make_unique<ControlView>(*panel_, streams_, *engine_);
  controls_->set_modifier_source([this] { return modifiers_; });
  stream_view_ = new StreamView(*panel_, streams_, *controls_,
                                [this](const QString& title) { setWindowTitle(title); });
  stream_view_->AddTabs();
  StartSettings(options);
  StartPatches(options);
  menus_ = new MenuBar(
      menuBar(), panel_->status_bar(), [this] { return CurrentMenuState(); },
      [this](int id) { OnMenuCommand(id); });
  menus_->TrimMenus();
  AttachRecentFiles();
  if (!StartOutput(options)) return;
  StartMidi(options);
  StartSoundTable();
  commands_ = std::make_unique<MenuCommands>(*this, *options.dialogs);
  ConnectPostedEvents();
  gesture_ = std::make_unique<GestureHost>(*this);
  sound_view_ = std::make_unique<SoundViewHost>(*this);
  // The Sound View comes back when it was open at the end of the last run.
  if (settings_->sound_view_shown()) sound_view_->Open();
  setAcceptDrops(true);
  connect(panel_->play_button(), &QPushButton::clicked, this,
          [this] { OnPlayCommand(kPlayFromButton); });
  connect(panel_->file_button(), &QPushButton::clicked, this, [this] { OnRecordCommand(); });
  stream_view_->SelectStream(0);
  // The change time, shown in item 1038 and on its own scrollbar.
  const int change_time = streams_.change_time();
  controls_->SetControlPosition(kChangeTime,
                                PositionFromValue(kControlTable[kChangeTime], change_time));
  panel_->change_time_text()->setText(ToQString(ChangeTimeText(change_time)));
  patch_view_->LoadSession(session_.get());
  resize(panel_->DialogSize().width(),
         panel_->DialogSize().height() + menuBar()->sizeHint().height());
  AskForOutputFolder();
}

bool MainWindow::StartOutput(MainWindowOptions& options) {
  waker_ = new BlockDoneWaker(this);
  waker_->set_handler([this](int index) { OnBlockDone(index); });
  OutputView& view = *this;
  output_ = std::make_unique<AudioOutput>(*engine_, streams_, view, *waker_);
  settings_->ApplyTo(output_->config());
  output_->set_device_provider(options.devices ? std::move(options.devices) : MakeSystemDevices());
  if (options.writer_factory) output_->set_writer_factory(options.writer_factory);
  output_->set_key_state([this] { return q_down_; });
  if (options.use_null_device) output_->config().selected_device = kNullDeviceDefault;
  CallOutput([&options](AudioOutput& out) {
    out.InitAudioOutput(options.output_folder, options.source_folder);
  });
  if (!settings_->file_counter_read()) output_->ContinueAfterExistingFiles();
  return !shut_down_;
}

void MainWindow::StartMidi(MainWindowOptions& options) {
  MidiGlue::Hooks hooks;
  hooks.toggle_play = [this] {
    CallOutput([](AudioOutput& out) { out.TogglePlay(kPlayFromMidi); });
  };
  hooks.show_status = [this](const QString& text) { panel_->status_bar()->SetText(1, text); };
  hooks.show_error = [this](const QString& title, const QString& text) {
    boxes_->ShowWarning(text, title);
  };
  hooks.show_warning = [this](const QString& text) { boxes_->ShowWarning(text); };
  hooks.enter_modal = [this] { EnterModal(); };
  hooks.leave_modal = [this] { LeaveModal(); };
  hooks.show_help = [this] {
    if (!boxes_->dialogs().OpenHelp(HelpPage(QStringLiteral("Midi response dialog")))) {
      boxes_->ShowWarning(QStringLiteral("The help pages could not be opened."));
    }
  };
  auto ports = options.midi_ports ? std::move(options.midi_ports) : MakeSystemMidiPorts();
  midi_ = std::make_unique<MidiGlue>(streams_, *engine_, *output_, poster_, this,
                                     std::move(hooks), std::move(ports));
  output_->set_block_observer(midi_.get());
  settings_->ApplyTo(midi_->input().config());
  midi_->InitMidiInput();
}

void MainWindow::CallOutput(const std::function<void(AudioOutput&)>& call) {
  if (!output_ || shut_down_) return;
  try {
    call(*output_);
  } catch (const OutputBufferError&) {
    EndAfterFatalError();
  }
}

void MainWindow::OnPlayCommand(int source) {
  CallOutput([source](AudioOutput& out) { out.TogglePlay(source); });
  patch_view_->EndWithoutNotice();
}

void MainWindow::OnRecordCommand() {
  CallOutput([](AudioOutput& out) { out.ToggleRecord(); });
  patch_view_->EndWithoutNotice();
}

void MainWindow::LoadSoundfile(const QString& path) {
  if (shut_down_ || !commands_ || path.isEmpty()) return;
  commands_->LoadSoundfilePath(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!shut_down_ && !DroppedSoundfile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedSoundfile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  LoadSoundfile(path);
}

void MainWindow::EndAfterFatalError() {
  ShutDown();
  emit finished(-1);
  close();
}

void MainWindow::StartSoundTable() {
  source_folder_ = output_->source_folder();
  WindowLoaderHost::Hooks hooks;
  hooks.ask = [this](const std::string& title, const std::string& text) {
    return boxes_->AskQuestion(QString::fromStdString(text), QString::fromStdString(title),
                               BoxType::kOkCancel) == kAnswerOk;
  };
  hooks.state_changed = [this](int stream) {
    stream_view_->SetStreamState(stream, streams_[stream].state);
  };
  hooks.set_folder = [this](const std::string& folder) { source_folder_ = folder; };
  hooks.add_recent = [this](const std::string& path) { AddRecentFile(path); };
  hooks.sound_changed = [this](int stream) { stream_view_->SelectStream(stream); };
  loader_host_ = std::make_unique<WindowLoaderHost>(this, poster_, std::move(hooks));
  sounds_ = std::make_unique<SoundTable>(streams_, output_->render_lock(), *loader_host_);
  sounds_->set_output_rate(engine_->output_rate());
}

void MainWindow::StartPatches(MainWindowOptions& options) {
  // The session's banks are kept in the settings store with the other settings.
  session_ = std::make_unique<SettingsSessionStore>(settings_->shared_store());
  // The patches folder the session's bank names belong to ("Load" moves it).
  std::string folder = options.patch_folder;
  if (folder.empty()) {
    try {
      folder = session_->ReadPatchFolder();
    } catch (const std::exception&) {
      folder.clear();
    }
  }
  if (folder.empty()) folder = ProgramDataFolder() + "/Patches/";
  patch_prompts_ = std::make_unique<WindowPatchPrompts>(*this);
  patch_view_ = new PatchView(*panel_, streams_, *engine_, *controls_, *patch_prompts_, folder);
  patch_view_->set_modifier_source([this] { return modifiers_; });
  patch_view_->set_factory_folder(options.factory_folder.empty()
                                      ? FactoryBankFolder().toStdString()
                                      : options.factory_folder);
  stream_view_->set_patch_hooks(
      [this](int stream) { return patch_view_->StreamSlotStored(stream); },
      [this](int stream) { patch_view_->MarkPatchButton(stream); });
}

void MainWindow::AskForOutputFolder() {
  // The program's own folder is made on first use; a chosen one is only asked about.
  if (output_->output_folder() == ProgramDataFolder()) EnsureFolder(output_->output_folder());
  const QString folder = QString::fromStdString(output_->output_folder());
  if (QDir(folder).exists()) return;
  const QString text =
      QStringLiteral(
          "Could not find output soundfile folder \"%1\".\nDo you want to specify a "
          "folder?")
          .arg(folder);
  if (boxes_->AskQuestion(text, QStringLiteral("Session Configuration Problem"))) {
    // The chooser opens once the window is up.
    poster_.Post(posted::MenuCommand{kCmdSoundfileFolder});
  }
}

void MainWindow::OnMenuCommand(int id) {
  if (shut_down_) return;
  if (id == kCmdEscape) {
    if (esc_down_) {
      OnEscape();
    } else {
      Exit();
    }
    return;
  }
  if (id == kCmdExit) {
    Exit();
    return;
  }
  commands_->Run(id);
}

void MainWindow::OnEscape() {
  // Escape stops a performance; while stopped (or already fading out) it does nothing.
  if (output_ && output_->playing() && !output_->stopping()) {
    CallOutput([](AudioOutput& out) { out.TogglePlay(kPlayFromButton); });
  }
}

bool MainWindow::Exit() {
  if (shut_down_) return true;
  // A cancelled question while the banks are saved keeps the program running.
  if (patch_view_ && !patch_view_->SaveAtExit(session_.get())) return false;
  SaveSettings();
  ShutDown();
  emit finished(1);
  close();
  return true;
}

void MainWindow::ShutDown() {
  if (shut_down_) return;
  shut_down_ = true;
  sound_view_.reset();  // off the block path before the output goes
  poster_.Close();
  if (settings_) settings_->SaveRecentFiles();
  if (!output_) return;
  if (output_->recording()) output_->ToggleRecord();
  output_->StopPlay();
  output_->CloseOutputFile();
  // The MIDI input stops after the audio output; nothing it sends is decoded any more.
  output_->set_block_observer(nullptr);
  midi_.reset();
  // Loader threads end (a pending memory question answers Cancel) before the
  // sounds and the render lock go away.
  if (loader_host_) loader_host_->Close();
  sounds_.reset();
  for (int i = 0; i < streams_.count(); ++i) streams_[i].sound = &engine_->sine();
  output_.reset();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The close box is the dialog's close command without Escape: the exit sequence.
  if (!shut_down_) {
    if (patch_view_ && !patch_view_->SaveAtExit(session_.get())) {
      event->ignore();
      return;
    }
    SaveSettings();
    ShutDown();
    emit finished(1);
  }
  event->accept();
}

bool MainWindow::focusNextPrevChild(bool) {
  // Tab does not move between the controls.
  menus_->UpdateMenuState();
  return true;
}

void MainWindow::EnterModal() {
  if (gesture_) gesture_->SetEnabled(false);
  controls_->DrawFocusFrame();
}
void MainWindow::LeaveModal() {
  if (gesture_) gesture_->SetEnabled(true);
  controls_->DrawFocusFrame();
}

void MainWindow::ShowHelp(QWidget* window) {
  QWidget* active = window ? window : QApplication::activeWindow();
  const QString caption = (active ? active->windowTitle() : windowTitle()).left(400);
  const QUrl page = HelpPage(HelpKeyword(caption));
  if (page.isEmpty() || !boxes_->dialogs().OpenHelp(page)) {
    boxes_->ShowWarning(QStringLiteral("The help pages could not be opened."));
  }
}

bool MainWindow::event(QEvent* event) {
  if (poster_.Dispatch(*event)) return true;
  if (event->type() == QEvent::WindowActivate && controls_ && controls_->current_id()) {
    if (QWidget* bar = panel_->BarById(controls_->current_id())) bar->setFocus();
    controls_->DrawFocusFrame();
  }
  return QMainWindow::event(event);
}

void MainWindow::ConnectPostedEvents() {
  poster_.On<posted::SoundLoaded>(
      [this](const posted::SoundLoaded& e) { commands_->OnSoundLoaded(e.stream, e.sound); });
  poster_.On<posted::StatusText>([this](const posted::StatusText& e) {
    panel_->status_bar()->SetText(1, QString::fromStdString(e.text));
  });
  poster_.On<posted::MidiMonitorLine>([this](const posted::MidiMonitorLine& e) {
    panel_->status_bar()->SetText(1, QString::fromStdString(e.text));
  });
  // A note start only starts (or keeps) playing, a note stop only stops it.
  poster_.On<posted::MidiNoteStart>([this](const posted::MidiNoteStart&) {
    if (midi_) midi_->OnPlayRequest(true);
  });
  poster_.On<posted::MidiNoteStop>([this](const posted::MidiNoteStop&) {
    if (midi_) midi_->OnPlayRequest(false);
  });
  poster_.On<posted::ControlPosition>([this](const posted::ControlPosition& e) {
    ++control_values_applied_;
    controls_->SetControlPosition(e.control, e.position);
  });
  poster_.On<posted::MenuCommand>([this](const posted::MenuCommand& e) { OnMenuCommand(e.id); });
  poster_.On<posted::ProgramChange>(
      [this](const posted::ProgramChange& e) { patch_view_->OnProgramChange(e.id, e.stream); });
}

void MainWindow::OnBlockDone(int index) {
  CallOutput([index](AudioOutput& out) { out.OnBlockDone(index); });
}

void MainWindow::TrackKeys(QEvent* event) {
  switch (event->type()) {
    case QEvent::ApplicationDeactivate:
      q_down_ = false;
      modifiers_ = Qt::NoModifier;
      return;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      modifiers_ = static_cast<QInputEvent*>(event)->modifiers();
      return;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      break;
    default:
      return;
  }
  auto* key = static_cast<QKeyEvent*>(event);
  const bool press = event->type() == QEvent::KeyPress;
  modifiers_ = key->modifiers();
  // A modifier key's own event may still carry its state from before.
  if (key->key() == Qt::Key_Shift) modifiers_.setFlag(Qt::ShiftModifier, press);
  if (key->key() == Qt::Key_Control) modifiers_.setFlag(Qt::ControlModifier, press);
  // The Q key held down stops playing at the next block (the output asks);
  // a Q typed into the bank name box is a letter.
  if (key->key() == Qt::Key_Q && !key->isAutoRepeat()) {
    q_down_ = press && !qobject_cast<QLineEdit*>(QApplication::focusWidget());
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  TrackKeys(event);
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  if (key->key() == Qt::Key_F1) {
    // F1 in any of the program's windows: the help at that window's keyword.
    ShowHelp(widget->window());
    return true;
  }
  if (widget->window() != this) return false;
  if (key->key() == Qt::Key_Escape) {
    esc_down_ = true;
    OnMenuCommand(kCmdEscape);
    esc_down_ = false;
    return true;
  }
  return false;
}

MenuState MainWindow::CurrentMenuState() const {
  MenuState s;
  const Stream& stream = streams_.current();
  s.playing = output_ && output_->playing();
  s.recording = output_ && output_->recording();
  s.test_tone = stream.sound == nullptr || stream.sound->builtin;
  s.stereo_sound = stream.sound && stream.sound->channels == 2;
  s.input_mask = stream.input_mask;
  switch (engine_->interpolation()) {
    case Interpolation::kLinear:
      s.interpolation_id = kCmdLinear;
      break;
    case Interpolation::kCubic:
      s.interpolation_id = kCmdCubic;
      break;
    case Interpolation::kSpline:
      s.interpolation_id = kCmdSpline;
      break;
  }
  if (output_) {
    const OutputConfig& c = output_->config();
    s.numbered_files = c.numbered_files;
    s.one_file_per_stream = c.one_file_per_stream;
    s.sample_bits = c.sample_width * 8;
    s.reset_loop = c.reset_loop;
    s.soft_stop = c.soft_stop;
  }
  s.hard_sync = stream.hard_sync;
  if (midi_) {
    s.relative_fine = midi_->config().relative_fine;
    s.program_change = midi_->config().program_change;
  }
  s.gesture_window_available = gesture_ != nullptr;
  s.sound_view_open = sound_view_ && sound_view_->open();
  return s;
}

void MainWindow::SetPlayButton(int button_id, std::string_view text, bool checked) {
  if (button_id == kIdGesturePlay && gesture_) gesture_->SetPlayButton(ToQString(text), checked);
  if (button_id != kIdPlayButton) return;
  panel_->play_button()->setText(ToQString(text));
  panel_->play_button()->setChecked(checked);
}

void MainWindow::SetRecordButtons(bool checked) {
  panel_->file_button()->setChecked(checked);
  if (gesture_) gesture_->SetRecordButton(checked);
}

bool MainWindow::GestureWindowOpen() const {
  return gesture_ && gesture_->open();
}

void MainWindow::ShowStatus(std::string_view text) {
  panel_->status_bar()->SetText(1, ToQString(text));
}

void MainWindow::ShowError(std::string_view title, std::string_view text) {
  boxes_->ShowWarning(ToQString(text), ToQString(title));
}

void MainWindow::ShowWarning(std::string_view text) {
  boxes_->ShowWarning(ToQString(text));
}

void MainWindow::OutputRateChanged(uint32_t rate) {
  // Cached sounds too: one played later keeps its pitch and grain rate.
  if (sounds_) sounds_->set_output_rate(rate);
}

}  // namespace kornmill
