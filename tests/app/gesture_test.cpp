// The Gesture Window: opening and closing, corner lists, the pad's mouse and keys, its Play and
// Record, collapsing and modal greying.
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/gesture_host.h"
#include "app/gesture_pad.h"
#include "app/gesture_window.h"
#include "app/menu_bar.h"
#include "app/patch_panel.h"
#include "app/patch_view.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "patches/gesture_mixer.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill {
// How a marker position reads in a failed comparison.
char* toString(const GesturePoint& p) {
  return QTest::toString(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y));
}
}  // namespace kornmill

namespace kornmill::testing {

class GestureTest : public WindowTest {
  Q_OBJECT

 public:
  GestureTest() : WindowTest(true) {}

 private slots:
  void openingPlacesTheWindowAndGreysTheBankCommands();
  void cornerListsAndThePadAsDrawn();
  void mouseAndArrowKeysMoveTheMarkerWithinItsRange();
  void windowPlayAppliesTheMixAndStarts();
  void mixWhilePlayingAndCloseShowsTheTargets();
  void recordButtonsFollowEachOther();
  void collapsingAndExpandingResetTheCorners();

 private:
  MainWindow& Main() { return *f_->window; }
  GestureHost& Host() { return Main().gesture(); }
  GestureWindow* Window() { return Host().window(); }
  GestureMixer& Mixer() { return Host().mixer(); }
  GesturePad* Pad() { return Window()->pad(); }
  Stream& S() { return f_->Current(); }
  GestureWindow* Open() {
    Main().OnMenuCommand(kCmdGestureWindow);
    GestureWindow* w = Window();
    if (w && !QTest::qWaitForWindowExposed(w)) return nullptr;
    return w;
  }
  // Stores patches with distinct values: slot n of bank `bank` gets grain frequency 1000 × n.
  void Store(int bank, int slot) {
    S().controls[kGrainFreq].target = 1000 * slot + 100 * bank;
    S().controls[kPitch].target = -500 * slot;
    Main().patches().banks().ApplySlot(S(), bank, slot, kModShift, GlideTiming{44100, 0, 64});
  }
  // The grain controls' targets: the stream's, or those of a mix.
  std::array<int32_t, kGrainControls> Targets(const GestureValues* mix = nullptr) {
    std::array<int32_t, kGrainControls> t{};
    for (int k = 0; k < kGrainControls; ++k) {
      t[size_t(k)] = mix ? (*mix)[size_t(k)] : S().controls[k].target;
    }
    return t;
  }
};

void GestureTest::openingPlacesTheWindowAndGreysTheBankCommands() {
  QCOMPARE(Main().menus().action(kCmdGestureWindow)->text(),
           QStringLiteral("Open &Gesture Window"));
  PatchPanel& bank_items = Main().patches().items();
  QVERIFY(!Window());
  GestureWindow* w = Open();
  QVERIFY(w);
  QCOMPARE(w->windowTitle(), QStringLiteral("Patch Gesture"));
  QVERIFY(!w->isModal());
  QCOMPARE(w->size(), QSize(w->units().X(276), w->units().Y(271)));
  // Over the tab page: 3 pixels right of the tabs, 5 below the first tab.
  const QTabBar* tabs = Main().panel().tabs();
  const QPoint below = tabs->mapToGlobal(QPoint(0, tabs->tabRect(0).bottom() + 1));
  QCOMPARE(w->pos(), below + QPoint(3, 5));
  QCOMPARE(Pad()->geometry(), w->units().Rect({7, 24, 262, 223}));
  QVERIFY(!bank_items.load_button()->isEnabled());
  QVERIFY(!bank_items.close_button()->isEnabled());
  QVERIFY(!bank_items.clear_button()->isEnabled());
  QVERIFY(bank_items.save_button()->isEnabled());
  // At most one window; greyed while a modal dialog is up.
  Main().OnMenuCommand(kCmdGestureWindow);
  QCOMPARE(Window(), w);
  Main().EnterModal();
  QVERIFY(!w->isEnabled());
  Main().LeaveModal();
  QVERIFY(w->isEnabled());
  // Escape closes it and gives the bank commands back.
  QTest::keyClick(Pad(), Qt::Key_Escape);
  QVERIFY(!Window());
  QVERIFY(Main().isVisible());
  QVERIFY(bank_items.load_button()->isEnabled());
  QVERIFY(bank_items.close_button()->isEnabled());
  QVERIFY(bank_items.clear_button()->isEnabled());
}

void GestureTest::cornerListsAndThePadAsDrawn() {
  Main().patches().banks().bank(2).set_name(QStringLiteral("Slow Swarms of Bees").toStdString());
  Store(2, 3);
  Store(2, 11);
  GestureWindow* w = Open();
  QVERIFY(w);
  // Default, C3, C11; the corners start on C3 and C11 as the mixer's codes say.
  QComboBox* top_left = w->corner_list(kTopLeft);
  QCOMPARE(top_left->objectName(), QStringLiteral("list2011"));
  QCOMPARE(top_left->count(), 3);
  QCOMPARE(top_left->itemText(1), QStringLiteral("C3 (Slow Swarms )"));
  QCOMPARE(w->corner_list(kTopRight)->currentIndex(), 1);
  QCOMPARE(Mixer().corner(kTopRight), 3 * 256 + 2);
  QCOMPARE(w->corner_list(kBottomLeft)->currentIndex(), 2);
  QCOMPARE(Mixer().corner(kBottomLeft), 3 * 256 + 10);
  // Choosing in a list sets its corner.
  emit w->corner_list(kBottomRight)->activated(1);
  QCOMPARE(Mixer().corner(kBottomRight), 3 * 256 + 2);
  // The marker starts at (7, 7) inside the pad: a red square with a raised edge.
  QCOMPARE(Pad()->MarkerRect(), QRect(7, 7, 13, 13));
  const QImage image = Pad()->grab().toImage();
  QCOMPARE(image.pixelColor(13, 13), QColor(0xD0, 0x40, 0x40));
  QVERIFY(image.pixelColor(7, 13) != QColor(0xD0, 0x40, 0x40));  // the edge
  QVERIFY(image.pixelColor(40, 40) != QColor(0xD0, 0x40, 0x40));
}

void GestureTest::mouseAndArrowKeysMoveTheMarkerWithinItsRange() {
  QVERIFY(Open());
  const QSize size = Pad()->size();
  const auto before = Targets();
  // A press on the pad's edge moves nothing.
  QTest::mousePress(Pad(), Qt::LeftButton, {}, QPoint(0, 60));
  QVERIFY(!Pad()->dragging());
  QCOMPARE(Mixer().marker(), (GesturePoint{7, 7}));
  QTest::mouseRelease(Pad(), Qt::LeftButton, {}, QPoint(0, 60));
  // Keys: four pixels a step, one with Ctrl, up to the range's edge.
  Pad()->setFocus();
  QTest::keyClick(Pad(), Qt::Key_Right);
  QTest::keyClick(Pad(), Qt::Key_Down);
  QTest::keyClick(Pad(), Qt::Key_Down);
  QCOMPARE(Mixer().marker(), (GesturePoint{11, 15}));
  QTest::keyClick(Pad(), Qt::Key_Left, Qt::ControlModifier);
  for (int i = 0; i < 5; ++i) QTest::keyClick(Pad(), Qt::Key_Up);
  QCOMPARE(Mixer().marker(), (GesturePoint{10, 2}));
  QTest::mousePress(Pad(), Qt::LeftButton, {}, QPoint(100, 120));
  QVERIFY(Pad()->dragging());
  QCOMPARE(Mixer().marker(), (GesturePoint{93, 113}));
  QVERIFY(Mixer().moved());
  // Dragged out of the pad, the marker stops at its range.
  QTest::mouseMove(Pad(), QPoint(-40, size.height() + 60));
  QCOMPARE(Mixer().marker(), (GesturePoint{2, size.height() - 15}));
  QTest::mouseRelease(Pad(), Qt::LeftButton, {}, QPoint(size.width() + 5, -3));
  QVERIFY(!Pad()->dragging());
  QCOMPARE(Mixer().marker(), (GesturePoint{size.width() - 15, 2}));
  // Stopped: the targets stay where they were.
  QVERIFY(Targets() == before);
}

void GestureTest::windowPlayAppliesTheMixAndStarts() {
  for (int slot = 1; slot <= 4; ++slot) Store(1, slot);
  Main().patches().banks().set_current_bank(1);
  GestureWindow* w = Open();
  QVERIFY(w);
  QTest::mousePress(Pad(), Qt::LeftButton, {}, QPoint(300, 200));
  QTest::mouseRelease(Pad(), Qt::LeftButton, {}, QPoint(300, 200));
  const GestureValues values = Mixer().Targets();
  const auto mix = Targets(&values);
  QVERIFY(Targets() != mix);
  QTest::mouseClick(w->play_button(), Qt::LeftButton);
  QVERIFY(Main().output().playing());
  QVERIFY(Main().output().gesture_active());
  // Applied before the start: the performance starts on the mix.
  QVERIFY(Targets() == mix);
  QCOMPARE(S().controls[kGrainFreq].current, float(mix[kGrainFreq]));
  QCOMPARE(w->play_button()->text(), QStringLiteral("Sto&p"));
  QVERIFY(w->play_button()->isChecked());
  QCOMPARE(Main().panel().play_button()->text(), QStringLiteral("Sto&p"));
  QTest::mouseClick(w->play_button(), Qt::LeftButton);
  QCOMPARE(w->play_button()->text(), QStringLiteral("&Play"));
  QVERIFY(!Main().panel().play_button()->isChecked());
  QTRY_VERIFY(!Main().output().playing());
  QVERIFY(!Main().output().gesture_active());
}

void GestureTest::mixWhilePlayingAndCloseShowsTheTargets() {
  for (int slot = 1; slot <= 4; ++slot) Store(0, slot);
  QTest::mouseClick(Main().panel().play_button(), Qt::LeftButton);
  QVERIFY(Main().output().playing());
  QVERIFY(!Main().output().gesture_active());
  GestureWindow* w = Open();
  QVERIFY(w);
  // Opened while playing: the window shows it and the pad mixes at once.
  QVERIFY(Main().output().gesture_active());
  QCOMPARE(w->play_button()->text(), QStringLiteral("Sto&p"));
  QVERIFY(w->play_button()->isChecked());
  const int freq_position = Main().panel().bar(kGrainFreq)->position();
  QTest::mousePress(Pad(), Qt::LeftButton, {}, QPoint(250, 60));
  QTest::mouseMove(Pad(), QPoint(200, 250));
  QTest::mouseRelease(Pad(), Qt::LeftButton, {}, QPoint(200, 250));
  const GestureValues values = Mixer().Targets();
  const auto mix = Targets(&values);
  QTRY_VERIFY(Targets() == mix);
  QVERIFY(!Mixer().moved());
  // The scrollbars stay while mixing; closing shows the targets the mix left.
  QCOMPARE(Main().panel().bar(kGrainFreq)->position(), freq_position);
  QTest::mouseClick(w->close_button(), Qt::LeftButton);
  for (int k = 0; k < kGrainControls; ++k) {
    QCOMPARE(Main().panel().bar(k)->position(), PositionFromValue(kControlTable[k], mix[k]));
  }
  QTest::mouseClick(Main().panel().play_button(), Qt::LeftButton);
  QTRY_VERIFY(!Main().output().playing());
}

void GestureTest::recordButtonsFollowEachOther() {
  GestureWindow* w = Open();
  QVERIFY(w);
  QCOMPARE(w->record_button()->text(), QStringLiteral("&Record"));
  QTest::mouseClick(w->record_button(), Qt::LeftButton);
  QVERIFY(Main().output().recording());
  QVERIFY(w->record_button()->isChecked());
  QVERIFY(Main().panel().file_button()->isChecked());
  QTest::mouseClick(Main().panel().file_button(), Qt::LeftButton);
  QVERIFY(!Main().output().recording());
  QVERIFY(!w->record_button()->isChecked());
}

void GestureTest::collapsingAndExpandingResetTheCorners() {
  for (int slot = 1; slot <= 5; ++slot) Store(0, slot);
  GestureWindow* w = Open();
  QVERIFY(w);
  const QSize full = w->size();
  QCOMPARE(Mixer().corner(kTopLeft), 256);
  emit w->corner_list(kTopLeft)->activated(5);
  QCOMPARE(Mixer().corner(kTopLeft), 256 + 4);
  QTest::mouseClick(w->collapse_button(), Qt::LeftButton);
  QVERIFY(w->collapsed());
  QVERIFY(w->height() < 50);
  QVERIFY(!Pad()->isVisible());
  QVERIFY(w->play_button()->isVisible() && w->collapse_button()->isVisible());
  QCOMPARE(Mixer().corner(kTopLeft), 256);
  emit w->corner_list(kTopLeft)->activated(5);
  // The menu command expands a collapsed window.
  Main().OnMenuCommand(kCmdGestureWindow);
  QVERIFY(!w->collapsed());
  QCOMPARE(w->size(), full);
  QVERIFY(Pad()->isVisible());
  QCOMPARE(Mixer().corner(kTopLeft), 256);
}

KORNMILL_QT_TEST(GestureTest);

}  // namespace kornmill::testing

#include "gesture_test.moc"
