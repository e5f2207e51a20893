// Scrolling the controls: targets, glides, value texts, modifiers, the focus frame.
#include <QLabel>
#include <QTest>

#include "app/control_scroll_bar.h"
#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/focus_frame.h"
#include "app/status_bar.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class ScrollTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void keysReachTheScrollRuleAndTheGlide();
  void theThumbStopsOneStepAboveTheBottom();
  void thumbTrackingSetsTheTrackedPosition();
  void panScrollbarLiesAcrossWithLeftPositive();
  void changeTimeStartsNoGlide();
  void newlyTouchedScrollbarShowsItsDescriptionAndFrame();

 private:
  ControlScrollBar* Bar(int k) { return f_->window->panel().bar(k); }
  ControlRecord& Control(int k) { return f_->window->streams().current().controls[k]; }
  QString Part(int i) { return f_->window->panel().status_bar()->text(i); }
  // Drags scrollbar k's thumb to `position`, as the mouse does.
  void Track(int k, int position) {
    Bar(k)->setSliderDown(true);
    Bar(k)->setSliderPosition(position);
    Bar(k)->setSliderDown(false);
  }

  std::unique_ptr<WindowFixture> f_;
};

void ScrollTest::init() {
  f_ = std::make_unique<WindowFixture>();
}
void ScrollTest::cleanup() {
  f_.reset();
}

void ScrollTest::keysReachTheScrollRuleAndTheGlide() {
  // The rate starts at 4086: unit playback rate.
  QTest::keyClick(Bar(kRate), Qt::Key_Up);  // thumb up: position -4087, value 4087
  QCOMPARE(Bar(kRate)->position(), -4087);
  QCOMPARE(Control(kRate).target, 4087);
  QCOMPARE(Part(2), QStringLiteral("1:1.0002"));
  // The glide takes the change time: 64/64 s at 22050 frames per second.
  QCOMPARE(Control(kRate).end_time - f_->window->engine().frame_clock(), 22050);
  for (int i = 0; i < 7; ++i) QTest::keyClick(Bar(kRate), Qt::Key_PageUp);
  QCOMPARE(Control(kRate).target, 4087 + 35);
  // The glide has ended (as Play makes it end at once).
  SnapControlsToTargets(f_->window->streams().current());
  // Shift: back to the default, scrollbar and text included.
  QTest::keyClick(Bar(kRate), Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(Control(kRate).target, 4086);
  QCOMPARE(Bar(kRate)->position(), -4086);
  QCOMPARE(Part(2), QStringLiteral("1:1.0000"));
  // Ctrl: the glide takes trunc(22050 × 6 / 64) = 2067 frames.
  QTest::keyClick(Bar(kPitch), Qt::Key_Up, Qt::ControlModifier);
  QCOMPARE(Control(kPitch).target, 6145);
  QCOMPARE(Control(kPitch).end_time - f_->window->engine().frame_clock(), 2067);
}

void ScrollTest::theThumbStopsOneStepAboveTheBottom() {
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

void ScrollTest::thumbTrackingSetsTheTrackedPosition() {
  Track(kLoopLength, 1024);
  QCOMPARE(Control(kLoopLength).target, 3072);
  // Three quarters of the sine: 8192 frames at 180225 frames per second.
  QCOMPARE(Part(2), QStringLiteral("Start: 0.000 s; Len: 0.034 s"));
}

void ScrollTest::panScrollbarLiesAcrossWithLeftPositive() {
  ControlScrollBar* pan = Bar(kPan);
  QVERIFY(pan->geometry().width() > pan->geometry().height());
  pan->SetPosition(0);
  // Thumb moved left: positive values, heard on the left; moved right: negative values.
  QTest::keyClick(pan, Qt::Key_Left);
  QCOMPARE(Control(kPan).target, 1);
  QCOMPARE(Part(2), QStringLiteral("0.4% left"));
  Track(kPan, 128);
  QCOMPARE(Control(kPan).target, -128);
  QCOMPARE(Part(2), QStringLiteral("50.0% right"));
}

void ScrollTest::changeTimeStartsNoGlide() {
  const ControlRecord rate = Control(kRate);
  QTest::keyClick(Bar(kChangeTimeControl), Qt::Key_PageDown);  // 64 -> 59
  QCOMPARE(f_->window->streams().change_time(), 59);
  QCOMPARE(Control(kChangeTimeControl).end_time, 0);
  QCOMPARE(Control(kRate).end_time, rate.end_time);
  QCOMPARE(f_->window->panel().change_time_text()->text(),
           QString::fromUtf8("  \u00ee  parm chng time: 0.92 s"));
  QVERIFY(Part(2).isEmpty());
}

void ScrollTest::newlyTouchedScrollbarShowsItsDescriptionAndFrame() {
  QTest::keyClick(Bar(kGrainLength), Qt::Key_Up);
  QCOMPARE(Part(1), QStringLiteral("Grain length"));
  QCOMPARE(Part(2), QStringLiteral("0.1007 secs"));
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

KORNMILL_QT_TEST(ScrollTest);

}  // namespace kornmill::testing

#include "scroll_test.moc"
