// Posted events from other threads: coalescing of control positions and monitor lines, status text,
// keys.
#include <QTest>
#include <thread>

#include "app/control_scroll_bar.h"
#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/posted_events.h"
#include "app/status_bar.h"
#include "controls/stream.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class EventsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void burstOfControlValuesAppliesOnlyTheLast();
  void valuesForDifferentControlsAreAllApplied();
  void burstOfMonitorLinesShowsOnlyTheLast();
  void controlValueMovesTheScrollbarAndItsText();
  void statusTextFromAWorkerThread();
  void tabKeyDoesNotMoveTheFocus();

 private:
  std::unique_ptr<WindowFixture> f_;
};

void EventsTest::init() {
  f_ = std::make_unique<WindowFixture>();
}
void EventsTest::cleanup() {
  f_.reset();
}

void EventsTest::burstOfControlValuesAppliesOnlyTheLast() {
  EventPoster& poster = f_->window->poster();
  // A fast controller on the MIDI thread: 100 positions in a burst.
  std::thread midi([&poster] {
    for (int i = 0; i < 100; ++i) poster.Post(posted::ControlPosition{kAmp, 400 + i});
  });
  midi.join();
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 1);
  QCOMPARE(f_->window->panel().bar(kAmp)->position(), 499);
  // A second burst is applied once more, again with its last value.
  for (int i = 0; i < 100; ++i) poster.Post(posted::ControlPosition{kAmp, 600 - i});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 2);
  QCOMPARE(f_->window->panel().bar(kAmp)->position(), 501);
}

void EventsTest::valuesForDifferentControlsAreAllApplied() {
  EventPoster& poster = f_->window->poster();
  poster.Post(posted::ControlPosition{kAttack, 100});
  poster.Post(posted::ControlPosition{kDecay, 90});
  poster.Post(posted::ControlPosition{kAttack, 80});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 2);
  QCOMPARE(f_->window->panel().bar(kAttack)->position(), 80);
  QCOMPARE(f_->window->panel().bar(kDecay)->position(), 90);
}

void EventsTest::burstOfMonitorLinesShowsOnlyTheLast() {
  EventPoster& poster = f_->window->poster();
  for (int i = 0; i < 50; ++i) {
    poster.Post(posted::MidiMonitorLine{"MIDI input: Chn 1, Control 7, " + std::to_string(i)});
  }
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->panel().status_bar()->text(1),
           QStringLiteral("MIDI input: Chn 1, Control 7, 49"));
  // A newer line replaces the waiting one in its place in the queue: it is
  // shown before a status text posted after the first line.
  poster.Post(posted::MidiMonitorLine{"first"});
  poster.Post(posted::StatusText{"loaded"});
  poster.Post(posted::MidiMonitorLine{"newest"});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->panel().status_bar()->text(1), QStringLiteral("loaded"));
}

void EventsTest::controlValueMovesTheScrollbarAndItsText() {
  // MIDI has set the target already; the message moves the scrollbar and
  // refreshes the text.
  f_->window->streams().current().controls[kPan].target = -64;
  f_->window->poster().Post(posted::ControlPosition{kPan, 64});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->panel().bar(kPan)->position(), 64);
  QCOMPARE(f_->window->panel().status_bar()->text(2), QStringLiteral("25.0% right"));
  // The same position again changes nothing (the text stays as it is).
  f_->window->panel().status_bar()->SetText(2, QString());
  f_->window->poster().Post(posted::ControlPosition{kPan, 64});
  QCoreApplication::processEvents();
  QVERIFY(f_->window->panel().status_bar()->text(2).isEmpty());
}

void EventsTest::statusTextFromAWorkerThread() {
  EventPoster& poster = f_->window->poster();
  std::thread worker([&poster] {
    poster.Post(posted::StatusText{"Memory allocation error - sound file too large"});
  });
  worker.join();
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->panel().status_bar()->text(1),
           QStringLiteral("Memory allocation error - sound file too large"));
}

void EventsTest::tabKeyDoesNotMoveTheFocus() {
  f_->window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f_->window.get()));
  ControlScrollBar* bar = f_->window->panel().bar(kRate);
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), bar);
}

KORNMILL_QT_TEST(EventsTest);

}  // namespace kornmill::testing

#include "events_test.moc"
