// The control scrollbars: keys, the thumb and values posted from other threads set targets and
// glides, move the thumbs and show texts; the description, the focus frame, the monitor lines.
#include <QLabel>
#include <QTest>
#include <thread>

#include "app/control_scroll_bar.h"
#include "app/control_view.h"
#include "app/focus_frame.h"
#include "app/posted_events.h"
#include "engine/engine.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

class ScrollbarsTest : public WindowTest {
  Q_OBJECT

 private slots:
  void keysReachTheScrollRuleAndTheGlide();
  void theThumbStopsOneStepAboveTheBottom();
  void panScrollbarLiesAcrossWithLeftPositive();
  void changeTimeStartsNoGlide();
  void newlyTouchedScrollbarShowsItsDescriptionAndFrame();
  void tabKeyDoesNotMoveTheFocus();
  void burstOfControlValuesAppliesOnlyTheLastOfEachControl();
  void postedValueMovesTheScrollbarAndItsText();
  void burstOfMonitorLinesShowsOnlyTheLast();

 private:
  ControlScrollBar* Bar(int k) { return f_->Bar(k); }
  ControlRecord& Control(int k) { return f_->Current().controls[k]; }
  QString Part(int i) { return f_->Part(i); }
  int32_t GlideFrames(int k) { return Control(k).end_time - f_->window->engine().frame_clock(); }
  // Drags scrollbar k's thumb to `position`, as the mouse does.
  void Track(int k, int position) {
    Bar(k)->setSliderDown(true);
    Bar(k)->setSliderPosition(position);
    Bar(k)->setSliderDown(false);
  }
};

void ScrollbarsTest::keysReachTheScrollRuleAndTheGlide() {
  // The rate starts at 4086: unit playback rate.
  QTest::keyClick(Bar(kRate), Qt::Key_Up);  // thumb up: position -4087, value 4087
  QCOMPARE(Bar(kRate)->position(), -4087);
  QCOMPARE(Control(kRate).target, 4087);
  QCOMPARE(Part(2), QStringLiteral("1:1.0002"));
  // The glide takes the change time: 64/64 s at 22050 frames per second.
  QCOMPARE(GlideFrames(kRate), 22050);
  for (int i = 0; i < 7; ++i) QTest::keyClick(Bar(kRate), Qt::Key_PageUp);
  QCOMPARE(Control(kRate).target, 4087 + 35);
  // The glide has ended (as Play makes it end at once).
  SnapControlsToTargets(f_->Current());
  // Shift: back to the default, scrollbar included.
  QTest::keyClick(Bar(kRate), Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(Control(kRate).target, 4086);
  QCOMPARE(Bar(kRate)->position(), -4086);
  // Ctrl: the glide takes trunc(22050 × 6 / 64) = 2067 frames.
  QTest::keyClick(Bar(kPitch), Qt::Key_Up, Qt::ControlModifier);
  QCOMPARE(Control(kPitch).target, 6145);
  QCOMPARE(GlideFrames(kPitch), 2067);
}

void ScrollbarsTest::theThumbStopsOneStepAboveTheBottom() {
  // Loop start: value 0 at the bottom (position 4096), where the thumb cannot go.
  QTest::keyClick(Bar(kLoopStart), Qt::Key_PageDown);
  QCOMPARE(Control(kLoopStart).target, 0);
  QCOMPARE(Bar(kLoopStart)->position(), 4096);
  QCOMPARE(Bar(kLoopStart)->value(), 4095);
  QTest::keyClick(Bar(kLoopStart), Qt::Key_PageUp);
  QCOMPARE(Control(kLoopStart).target, 5);
  QCOMPARE(Bar(kLoopStart)->value(), 4091);
  // Top and bottom actions are not handled: the thumb stays where it was.
  QTest::keyClick(Bar(kLoopStart), Qt::Key_Home);
  QCOMPARE(Control(kLoopStart).target, 5);
  QCOMPARE(Bar(kLoopStart)->value(), 4091);
}

void ScrollbarsTest::panScrollbarLiesAcrossWithLeftPositive() {
  ControlScrollBar* pan = Bar(kPan);
  QVERIFY(pan->geometry().width() > pan->geometry().height());
  pan->SetPosition(0);
  // Thumb moved left: positive values, heard on the left; dragged right: negative values.
  QTest::keyClick(pan, Qt::Key_Left);
  QCOMPARE(Control(kPan).target, 1);
  Track(kPan, 128);
  QCOMPARE(Control(kPan).target, -128);
}

void ScrollbarsTest::changeTimeStartsNoGlide() {
  const ControlRecord rate = Control(kRate);
  QTest::keyClick(Bar(kChangeTimeControl), Qt::Key_PageDown);  // 64 -> 59
  QCOMPARE(f_->window->streams().change_time(), 59);
  QCOMPARE(Control(kChangeTimeControl).end_time, 0);
  QCOMPARE(Control(kRate).end_time, rate.end_time);
  QCOMPARE(f_->window->panel().change_time_text()->text(),
           QString::fromUtf8("  \u00ee  parm chng time: 0.92 s"));
  QVERIFY(Part(2).isEmpty());
}

void ScrollbarsTest::newlyTouchedScrollbarShowsItsDescriptionAndFrame() {
  QTest::keyClick(Bar(kGrainLength), Qt::Key_Up);
  QCOMPARE(Part(1), QStringLiteral("Grain length"));
  QCOMPARE(f_->window->controls().current_id(), 1510);
  FocusFrame* frame = f_->window->panel().focus_frame();
  QCOMPARE(frame->frame_rect(), Bar(kGrainLength)->geometry().adjusted(-1, -1, 1, 1));
  // Part 1 is only rewritten when another scrollbar is touched.
  f_->window->panel().status_bar()->SetText(1, QStringLiteral("notice"));
  QTest::keyClick(Bar(kGrainLength), Qt::Key_Up);
  QCOMPARE(Part(1), QStringLiteral("notice"));
  QTest::keyClick(Bar(kAttack), Qt::Key_Up);
  QCOMPARE(Part(1), QStringLiteral("Attack in percents of grain length"));
  QCOMPARE(frame->frame_rect(), Bar(kAttack)->geometry().adjusted(-1, -1, 1, 1));
}

void ScrollbarsTest::tabKeyDoesNotMoveTheFocus() {
  f_->window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f_->window.get()));
  Bar(kRate)->setFocus();
  QTest::keyClick(Bar(kRate), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), Bar(kRate));
}

void ScrollbarsTest::burstOfControlValuesAppliesOnlyTheLastOfEachControl() {
  EventPoster& poster = f_->window->poster();
  // A fast controller on the MIDI thread: 100 positions in a burst.
  std::thread midi([&poster] {
    for (int i = 0; i < 100; ++i) poster.Post(posted::ControlPosition{kAmp, 400 + i});
  });
  midi.join();
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 1);
  QCOMPARE(Bar(kAmp)->position(), 499);
  // Values for different controls are all applied, each with its last value.
  poster.Post(posted::ControlPosition{kAttack, 100});
  poster.Post(posted::ControlPosition{kDecay, 90});
  poster.Post(posted::ControlPosition{kAttack, 80});
  QCoreApplication::processEvents();
  QCOMPARE(f_->window->control_values_applied(), 3);
  QCOMPARE(Bar(kAttack)->position(), 80);
  QCOMPARE(Bar(kDecay)->position(), 90);
}

void ScrollbarsTest::postedValueMovesTheScrollbarAndItsText() {
  // MIDI has set the target already; the message moves the scrollbar and
  // refreshes the text.
  Control(kPan).target = -64;
  f_->window->poster().Post(posted::ControlPosition{kPan, 64});
  QCoreApplication::processEvents();
  QCOMPARE(Bar(kPan)->position(), 64);
  QCOMPARE(Part(2), QStringLiteral("25.0% right"));
  // The same position again changes nothing (the text stays as it is).
  f_->window->panel().status_bar()->SetText(2, QString());
  f_->window->poster().Post(posted::ControlPosition{kPan, 64});
  QCoreApplication::processEvents();
  QVERIFY(Part(2).isEmpty());
}

void ScrollbarsTest::burstOfMonitorLinesShowsOnlyTheLast() {
  EventPoster& poster = f_->window->poster();
  std::thread midi([&poster] {
    for (int i = 0; i < 50; ++i) {
      poster.Post(posted::MidiMonitorLine{"MIDI input: Chn 1, Control 7, " + std::to_string(i)});
    }
  });
  midi.join();
  QCoreApplication::processEvents();
  QCOMPARE(Part(1), QStringLiteral("MIDI input: Chn 1, Control 7, 49"));
  // A newer line replaces the waiting one in its place in the queue: it is
  // shown before a status text posted after the first line.
  poster.Post(posted::MidiMonitorLine{"first"});
  poster.Post(posted::StatusText{"loaded"});
  poster.Post(posted::MidiMonitorLine{"newest"});
  QCoreApplication::processEvents();
  QCOMPARE(Part(1), QStringLiteral("loaded"));
}

KORNMILL_QT_TEST(ScrollbarsTest);

}  // namespace kornmill::testing

#include "scrollbars_test.moc"
