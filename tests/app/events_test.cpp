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
  void burstOfControlValuesAppliesOnlyTheLastOfEachControl();
  void burstOfMonitorLinesShowsOnlyTheLast();
  void controlValueMovesTheScrollbarAndItsText();
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

void EventsTest::burstOfControlValuesAppliesOnlyTheLastOfEachControl() {
  EventPoster& poster = f_->window->poster();
  // A fast controller on the MIDI thread: 100 positions in a burst.
  std::thread midi([&poster] {
    for (int i = 0; i < 100; ++i) poster.Post(posted::ControlPosition{kAmp, 400 + i});
  });
  midi.join();
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 1);
  QCOMPARE(f_->window->panel().bar(kAmp)->position(), 499);
  // Values for different controls are all applied, each with its last value.
  poster.Post(posted::ControlPosition{kAttack, 100});
  poster.Post(posted::ControlPosition{kDecay, 90});
  poster.Post(posted::ControlPosition{kAttack, 80});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 3);
  QCOMPARE(f_->window->panel().bar(kAttack)->position(), 80);
  QCOMPARE(f_->window->panel().bar(kDecay)->position(), 90);
}

void EventsTest::burstOfMonitorLinesShowsOnlyTheLast() {
  EventPoster& poster = f_->window->poster();
  std::thread midi([&poster] {
    for (int i = 0; i < 50; ++i) {
      poster.Post(posted::MidiMonitorLine{"MIDI input: Chn 1, Control 7, " + std::to_string(i)});
    }
  });
  midi.join();
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
