// MIDI in the window: messages from the input start and stop play and move controls, program
// changes, the MIDI menu items and the response dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/event_poster.h"
#include "app/menu_bar.h"
#include "app/midi_glue.h"
#include "app/midi_response_dialog.h"
#include "app/posted_events.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

// Catches the program-change events posted to the window.
class ProgramSpy : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == PostedEvent<posted::ProgramChange>::Type()) {
      const posted::ProgramChange& p = static_cast<PostedEvent<posted::ProgramChange>&>(*e).value;
      seen.emplace_back(p.id, p.stream);
    }
    return false;
  }
  std::vector<std::pair<int, int>> seen;
};

class MidiTest : public WindowTest {
  Q_OBJECT

 private slots:
  void notesAndControllersReachTheWindow();
  void menuCommandsSetTheFlags();
  void responseDialogShowsAndEditsTheNoteResponse();
  void responseDialogOkPacksTheRows();

 private:
  void Send(uint32_t message) {
    QVERIFY(f_->midi_ports->open_queue);
    f_->midi_ports->open_queue->Push(message);
  }
  MidiConfig& Config() { return f_->window->midi().input().config(); }
};

void MidiTest::notesAndControllersReachTheWindow() {
  AudioOutput& out = f_->window->output();
  Send(ShortMessage(0x90, 60, 100));
  QTRY_VERIFY(out.playing());
  QCOMPARE(f_->window->panel().play_button()->text(), QStringLiteral("Sto&p"));
  Send(ShortMessage(0xB0, 27, 127));  // controller 27: the amplitude to its top
  QTRY_COMPARE(f_->Current().controls[kAmp].target, 1024);
  QTRY_COMPARE(f_->Bar(kAmp)->position(), 0);
  Send(ShortMessage(0x80, 60, 0));
  QTRY_VERIFY_WITH_TIMEOUT(!out.playing(), 5000);
}

void MidiTest::menuCommandsSetTheFlags() {
  ProgramSpy spy;
  f_->window->installEventFilter(&spy);
  Send(ShortMessage(0xC0, 33));
  Send(ShortMessage(0xC0, 25));
  Send(ShortMessage(0xC0, 4));
  QTRY_COMPARE(spy.seen.size(), std::size_t(2));
  QCOMPARE(spy.seen[0], std::make_pair(1603, 0));  // bank D
  QCOMPARE(spy.seen[1], std::make_pair(1404, 0));  // slot 4
  MenuBar& menus = f_->window->menus();
  menus.action(kCmdController14Bit)->trigger();
  menus.action(kCmdMidiProgramChange)->trigger();
  QVERIFY(Config().relative_fine);
  QVERIFY(!Config().program_change);
  QCOMPARE(Config().response[0], kDefaultNoteResponse & ~kProgramChangeBit);
  menus.UpdateMenuState();
  QVERIFY(!menus.action(kCmdController14Bit)->isChecked());
  QVERIFY(!menus.action(kCmdMidiProgramChange)->isChecked());
  // Program changes are off now.
  Send(ShortMessage(0xC0, 1));
  QTest::qWait(20);
  QCOMPARE(spy.seen.size(), std::size_t(2));
  f_->window->removeEventFilter(&spy);
}

void MidiTest::responseDialogShowsAndEditsTheNoteResponse() {
  MidiConfig c = Config();
  c.response[1] = WithTo(WithFrom(WithParameter(WithSource(0, 2), 4), 10), 90);
  MidiResponseDialog d(c);
  QCOMPARE(d.windowTitle(), QStringLiteral("Configure MIDI Response Options"));
  // Note to pitch: stop at note off, both stop buttons disabled.
  QVERIFY(d.note_to_pitch()->isChecked());
  QVERIFY(d.stop_at_note_off()->isChecked());
  QVERIFY(!d.stop_at_new_note()->isEnabled() && !d.stop_at_note_off()->isEnabled());
  QVERIFY(d.restart_new_note()->isChecked());
  QVERIFY(d.restart_tied_note()->isEnabled() && !d.restart_tied_note()->isChecked());
  QCOMPARE(d.bend_slider()->value(), 7);
  QCOMPARE(d.bend_label()->text(), QStringLiteral("7 notes"));
  QCOMPARE(d.source(0)->currentText(), QStringLiteral("Veloc/Aftouch"));
  QCOMPARE(d.parameter(0)->currentText(), QStringLiteral("Grain length"));
  QCOMPARE(d.from(0)->value(), 10);
  QCOMPARE(d.to(0)->value(), 90);
  QCOMPARE(d.source(1)->currentText(), QStringLiteral("None"));
  QCOMPARE(d.findChild<QSlider*>(QStringLiteral("item1077")), d.bend_slider());
  // Edits: no bend, note to pitch off, the stop and restart choices.
  d.bend_slider()->setValue(0);
  QCOMPARE(d.bend_label()->text(), QStringLiteral("None"));
  QCOMPARE(d.edited().bend_range, 0);
  d.note_to_pitch()->setChecked(false);
  QVERIFY(d.stop_at_new_note()->isChecked() && d.stop_at_new_note()->isEnabled());
  QVERIFY(!d.stop_at_note_off()->isChecked());
  QCOMPARE(d.edited().stop_mode, kStopAtNewNote);
  d.stop_at_note_off()->click();
  QCOMPARE(d.edited().stop_mode, kStopAtNoteOff);
  d.restart_tied_note()->setChecked(true);
  QVERIFY(d.edited().restart_tied);
  d.restart_new_note()->setChecked(false);
  QVERIFY(!d.restart_tied_note()->isEnabled() && !d.restart_tied_note()->isChecked());
  QVERIFY(!d.edited().restart_new && !d.edited().restart_tied);
  d.accept();
  QCOMPARE(d.edited().response[0], kProgramChangeBit | kStopAtNoteOffBit);
}

void MidiTest::responseDialogOkPacksTheRows() {
  const MidiConfig before = Config();
  MidiResponseDialog d(before);
  // Row 1: a source but no parameter (dropped at OK); row 2 complete, its To clamped.
  d.source(0)->setCurrentIndex(1);
  emit d.source(0)->activated(1);
  d.source(1)->setCurrentIndex(3);
  emit d.source(1)->activated(3);
  d.parameter(1)->setCurrentIndex(12);
  emit d.parameter(1)->activated(12);
  d.to(1)->selectAll();
  QTest::keyClicks(d.to(1), QStringLiteral("150"));
  QTest::keyClick(d.to(1), Qt::Key_Enter);
  QCOMPARE(d.to(1)->value(), 100);
  QCOMPARE(d.to(1)->text(), QStringLiteral("100"));
  // The live settings are untouched while the dialog is open.
  QCOMPARE(Config().response, before.response);
  d.accept();
  const ResponseWords& w = d.edited().response;
  QCOMPARE(w[1], WithTo(WithParameter(WithSource(0, 3), 12), 100));
  // Through the command, OK puts the edits into the settings.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<MidiResponseDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    dialog->bend_slider()->setValue(12);
    dialog->accept();
  });
  f_->window->OnMenuCommand(kCmdMidiResponse);
  QCOMPARE(Config().bend_range, 12);
  QCOMPARE(Config().response[0] >> kBendRangeShift, 12u);
}

KORNMILL_QT_TEST(MidiTest);

}  // namespace kornmill::testing

#include "midi_test.moc"
