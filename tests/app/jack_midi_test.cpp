// The window's MIDI input on a real JACK server: another JACK MIDI client floods the program's
// own port with controllers.
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/midi_glue.h"
#include "app/status_bar.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

namespace {

// Resident memory of this process in bytes.
long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

class JackMidiWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void aFloodOfControllersKeepsTheWindowResponsive();

 private:
  void Send(const std::vector<unsigned char>& m) { keys_->sendMessage(&m); }

  QTemporaryDir folder_;
  FakeDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<RtMidiOut> keys_;
};

void JackMidiWindowTest::initTestCase() {
  const char* fixture = std::getenv("KORNMILL_JACK_FIXTURE");
  QVERIFY2(fixture, "run through ctest (JACK fixture)");
  ::setenv("JACK_DEFAULT_SERVER", fixture, 1);
  ::setenv("JACK_NO_START_SERVER", "1", 1);
}

void JackMidiWindowTest::init() {
  MainWindowOptions options;
  options.dialogs = &dialogs_;
  options.use_null_device = true;
  options.output_folder = folder_.path().toStdString();
  window_ = std::make_unique<MainWindow>(std::move(options));  // the machine's MIDI systems
  QVERIFY(dialogs_.boxes.empty());
  MidiInput& input = window_->midi().input();
  QVERIFY(input.is_open());
  QCOMPARE(QString::fromStdString(input.devices()[input.config().device].label),
           QStringLiteral("(JACK) Kornmill MIDI in"));
  keys_ = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "Test keys");
  unsigned port = keys_->getPortCount();
  for (unsigned i = 0; i < keys_->getPortCount(); ++i) {
    if (keys_->getPortName(i).find(kOwnPortName) != std::string::npos) port = i;
  }
  QVERIFY(port < keys_->getPortCount());
  keys_->openPort(port, "out");
  // Active sensing until the new connection carries it.
  MidiMessageQueue& queue = window_->midi().input().queue();
  QTRY_VERIFY_WITH_TIMEOUT((Send({0xFE}), queue.received() > 0), 20000);
}

void JackMidiWindowTest::cleanup() {
  keys_.reset();
  window_.reset();
}

void JackMidiWindowTest::aFloodOfControllersKeepsTheWindowResponsive() {
  MidiMessageQueue& queue = window_->midi().input().queue();
  const uint64_t received_before = queue.received();
  const int applied_before = window_->control_values_applied();
  int ticks = 0;
  QTimer timer;
  connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(20);
  const long memory_before = ResidentBytes();

  // 10,000 controller messages a second for 5 s: grain length and amplitude in turn.
  constexpr int kMessages = 50000;
  std::atomic<bool> sent{false};
  std::thread sender([this, &sent] {
    // Ten a millisecond; a sender held up does not catch up in one burst that
    // JACK's MIDI buffers could not carry.
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < kMessages; ++i) {
      if (i % 10 == 0) {
        next = std::max(next + std::chrono::milliseconds(1), std::chrono::steady_clock::now());
        std::this_thread::sleep_until(next);
      }
      const unsigned char controller = i % 2 ? 27 : 14;
      Send({0xB0, controller, static_cast<unsigned char>((i / 2) % 128)});
    }
    sent = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(sent.load(), 120000);
  sender.join();
  // The flood's last messages: after them, the newest value of each control.
  QTest::qWait(200);
  Send({0xB0, 14, 39});
  Send({0xB0, 27, 39});
  const uint64_t expected = kMessages + 2;
  // JACK itself loses messages of a flood when its client falls behind (its
  // per-period buffers; many under ThreadSanitizer on a loaded machine): what
  // reaches the program is all decoded, none dropped, and the newest values win.
  QTRY_VERIFY_WITH_TIMEOUT(queue.received() - received_before >= expected / 2, 30000);
  QTRY_VERIFY_WITH_TIMEOUT(window_->panel().status_bar()->text(1) ==
                               QStringLiteral("MIDI input: Chn 1, Control 27, 39"),
                           30000);
  QTRY_COMPARE(queue.waiting(), size_t{0});
  QCoreApplication::processEvents();
  timer.stop();
  const uint64_t received = queue.received() - received_before;

  QCOMPARE(queue.dropped(), uint64_t{0});
  // The newest values are what the controls hold and the scrollbars show.
  const Stream& s = window_->streams().current();
  QCOMPARE(s.controls[kGrainLength].target, 1257);  // 13 + 39 × 4083/128
  QCOMPARE(s.controls[kAmp].target, 312);           // 39 × 8
  QCOMPARE(window_->panel().bar(kGrainLength)->position(), 2851);
  QCOMPARE(window_->panel().bar(kAmp)->position(), 712);
  // Each burst moved a scrollbar once: far fewer updates than messages.
  const int applied = window_->control_values_applied() - applied_before;
  QVERIFY2(applied < static_cast<int>(received / 4), qPrintable(QString::number(applied)));
  // The window kept handling its own events all along.
  QVERIFY2(ticks >= 25, qPrintable(QString::number(ticks)));
  // Memory stays flat: the queue and the posted events are bounded. (Under
  // ThreadSanitizer the resident size also holds its shadow and history.)
#if !defined(__SANITIZE_THREAD__)
  const long grown = ResidentBytes() - memory_before;
  QVERIFY2(grown < 16L << 20, qPrintable(QString::number(grown)));
#else
  static_cast<void>(memory_before);
#endif
}

KORNMILL_QT_TEST(JackMidiWindowTest);

}  // namespace kornmill::testing

#include "jack_midi_test.moc"
