// MIDI in the program: decoding on wake-ups and at each block, the posted events and the commands.
#include "app/midi_glue.h"

#include <QDialog>
#include <mutex>

#include "app/midi_response_dialog.h"
#include "app/midi_wakeup.h"
#include "app/event_poster.h"
#include "app/posted_events.h"
#include "midi/monitor_text.h"
#include "resources/ids.h"

namespace kornmill {

namespace {
QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

MidiGlue::MidiGlue(StreamTable& streams, Engine& engine, AudioOutput& output,
                   EventPoster& poster, QWidget* window, Hooks hooks,
                   std::unique_ptr<MidiPortProvider> ports)
    : output_(output),
      poster_(poster),
      window_(window),
      hooks_(std::move(hooks)),
      input_(streams, engine, *this, *this),
      wakeup_(std::make_unique<MidiWakeup>([this] { OnWakeup(); })) {
  input_.set_port_provider(std::move(ports));
  input_.set_waker(wakeup_.get());
}

MidiGlue::~MidiGlue() {
  // No message may wake a loop that is gone.
  input_.CloseMidiInput();
  input_.set_waker(nullptr);
}

void MidiGlue::OnWakeup() {
  {
    std::lock_guard<std::mutex> lock(output_.render_lock());
    input_.DecodePending();
  }
  ReportDropped();
}

void MidiGlue::BeforeBlock() {
  input_.DecodePending();
}

void MidiGlue::ReportDropped() {
  const uint64_t dropped = input_.queue().dropped();
  if (dropped == dropped_shown_) return;
  dropped_shown_ = dropped;
  hooks_.show_status(QStringLiteral("MIDI input overflow: %1 messages were dropped")
                         .arg(static_cast<qulonglong>(dropped)));
}

void MidiGlue::PostPlay(bool start) {
  if (start) {
    poster_.Post(posted::MidiNoteStart{});
  } else {
    poster_.Post(posted::MidiNoteStop{});
  }
}

void MidiGlue::PostProgram(int id, int stream) {
  poster_.Post(posted::ProgramChange{id, stream});
}

void MidiGlue::PostMonitor(uint32_t message) {
  poster_.Post(posted::MidiMonitorLine{MonitorText(message)});
}

void MidiGlue::PostControlPosition(int control, int position) {
  poster_.Post(posted::ControlPosition{control, position});
}

void MidiGlue::OnPlayRequest(bool start) {
  // A note start only starts (or keeps) playing, a note stop only stops it.
  const bool sounding = output_.playing() && !output_.stopping();
  if (start) {
    input_.decoder().PlayStartHandled();
    if (!sounding) hooks_.toggle_play();
  } else if (sounding) {
    hooks_.toggle_play();
  }
}

bool MidiGlue::RunCommand(int id) {
  MidiConfig& c = input_.config();
  switch (id) {
    case kCmdController14Bit:
      c.relative_fine = !c.relative_fine;
      return true;
    case kCmdMidiProgramChange:
      c.response[0] ^= kProgramChangeBit;
      c.program_change = (c.response[0] & kProgramChangeBit) != 0;
      return true;
    case kCmdMidiResponse:
      RunResponseDialog();
      return true;
    default:
      return false;
  }
}

void MidiGlue::RunResponseDialog() {
  hooks_.enter_modal();
  MidiResponseDialog dialog(input_.config(), window_);
  dialog.set_help(hooks_.show_help);
  // The dialog edits a copy; the live settings change only at OK.
  if (dialog.exec() == QDialog::Accepted) input_.config() = dialog.edited();
  hooks_.leave_modal();
}

void MidiGlue::ShowMidiError(std::string_view title, std::string_view text) {
  hooks_.show_error(ToQString(title), ToQString(text));
}

void MidiGlue::ShowMidiWarning(std::string_view text) {
  hooks_.show_warning(ToQString(text));
}

}  // namespace kornmill
