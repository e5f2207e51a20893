// The patch-bank panel: captions, clicks with modifiers, notices, the name box, program changes,
// exit with a cancelled question, and the session kept in the settings.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "app/control_scroll_bar.h"
#include "app/control_view.h"
#include "app/dialog_panel.h"
#include "app/patch_panel.h"
#include "app/patch_view.h"
#include "app/posted_events.h"
#include "app/session_settings.h"
#include "app/status_bar.h"
#include "clock_devices.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "settings/qsettings_store.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

// A window whose settings file and patches folder are its own; the session's
// banks are read through the same settings file.
struct PatchWindow {
  explicit PatchWindow(const QTemporaryDir& dir, bool with_folder = true)
      : store(std::make_shared<QSettingsStore>(
            dir.filePath(QStringLiteral("Kornmill.conf")).toStdString())),
        session(store) {
    MainWindowOptions options;
    options.dialogs = &dialogs;
    options.use_null_device = true;
    // A machine with sound: no notice that the null device plays silently.
    options.devices = std::make_unique<ClockDevices>();
    options.output_folder = dir.path().toStdString();
    options.source_folder = dir.path().toStdString();
    options.settings = store;
    if (with_folder) options.patch_folder = dir.filePath(QStringLiteral("Patches/")).toStdString();
    window = std::make_unique<MainWindow>(std::move(options));
  }
  PatchPanel& items() { return window->patches().items(); }
  QPushButton* Slot(int n) { return items().slot_button(n); }
  QString Part(int i) { return window->panel().status_bar()->text(i); }
  void Click(QPushButton* b, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(b, Qt::LeftButton, keys);
  }
  void Name(const QString& name) {
    items().name_box()->setText(name);
    emit items().name_box()->editingFinished();
  }

  FakeDialogs dialogs;
  std::shared_ptr<QSettingsStore> store;
  SettingsSessionStore session;
  std::unique_ptr<MainWindow> window;
};

class PatchTest : public QObject {
  Q_OBJECT

 private slots:
  void panelItemsStandInThePatchBanksGroup();
  void shiftClickStoresAndRecallMovesTheScrollbars();
  void bankNoticesAreClearedByTheNextCommandWithoutOne();
  void saveWithoutANameAsksForOneInTheNameBox();
  void programChangesRecallSlotsAndClickBanks();
  void exitWithACancelledQuestionKeepsTheProgramRunning();
  void theNextStartReadsTheBanksFromTheStoredFolder();
};

void PatchTest::panelItemsStandInThePatchBanksGroup() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  DialogPanel& panel = f.window->panel();
  const QRect group = panel.group(5)->geometry();
  const QRect change_time = panel.bar(kChangeTime)->geometry();
  QCOMPARE(f.items().bank_button(0)->text(), QStringLiteral("&A"));
  QCOMPARE(f.items().bank_button(7)->text(), QStringLiteral("&H"));
  QCOMPARE(f.Slot(0)->text(), QStringLiteral("Defa&ult Patch"));
  QCOMPARE(f.Slot(10)->text(), QStringLiteral("Slot 10"));
  QCOMPARE(f.items().clear_button()->text(), QStringLiteral("Clear Pa&tch"));
  QCOMPARE(f.items().name_box()->maxLength(), 64);
  QCOMPARE(f.items().name_box()->placeholderText(), QStringLiteral("Bank Name?"));
  for (int id : {1600, 1607, 1400, 1401, 1420, 1105, 1106, 1107, 1109}) {
    QPushButton* b = f.items().ButtonById(id);
    QVERIFY(b);
    QCOMPARE(b->objectName(), QStringLiteral("button%1").arg(id));
    QVERIFY2(group.contains(b->geometry()), qPrintable(QString::number(id)));
    QVERIFY(!b->geometry().intersects(change_time));
  }
  // Bank A is shown and the stream plays the default patch.
  QVERIFY(f.items().bank_button(0)->isChecked());
  QVERIFY(f.Slot(0)->isChecked());
}

void PatchTest::shiftClickStoresAndRecallMovesTheScrollbars() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  Stream& s = f.window->streams().current();
  f.window->controls().OnControlScroll(ScrollAction::kThumbTrack, 1507, 10000, Qt::NoModifier);
  f.Click(f.Slot(3), Qt::ShiftModifier);
  QCOMPARE(f.Slot(3)->text(), QStringLiteral("Patch &3*"));
  QVERIFY(f.Slot(3)->isChecked() && !f.Slot(0)->isChecked());
  QCOMPARE(f.Part(1),
           QStringLiteral("Stored current set of scrollbar values for grain generation"));
  QVERIFY(f.Part(2).isEmpty() && f.Part(3).isEmpty());
  QCOMPARE(f.window->patches().banks().bank(0).slot(3).values[kGrainFreq], 16384 + 25 - 10000);
  // Elsewhere, then back: the recall moves the scrollbar and glides.
  f.Click(f.Slot(0));
  QCOMPARE(s.controls[kGrainFreq].target, DefaultValue(kGrainFreq));
  QCOMPARE(f.window->panel().bar(kGrainFreq)->position(), 10347);
  QCOMPARE(f.Part(1), QStringLiteral("Restore the default patch (straight playback of sound)"));
  f.Click(f.Slot(3), Qt::ControlModifier);
  QCOMPARE(f.window->panel().bar(kGrainFreq)->position(), 10000);
  QCOMPARE(s.controls[kGrainFreq].target, 6409);
  QCOMPARE(f.Part(1), QStringLiteral("Restore a patch for grain generation"));
  QCOMPARE(s.patch_slot, 3);
  f.Click(f.Slot(5));
  QCOMPARE(f.Part(1), QStringLiteral("This slot is empty. Shift- or Ctrl-click to store visible "
                                     "values/what you're hearing"));
  QVERIFY(f.Slot(3)->isChecked() && !f.Slot(5)->isChecked());
  // "Clear Patch" empties the pressed slot.
  f.Click(f.items().clear_button());
  QCOMPARE(f.Slot(3)->text(), QStringLiteral("Slot 3"));
  QCOMPARE(f.Part(1), QStringLiteral("Deleted current patch"));
}

void PatchTest::bankNoticesAreClearedByTheNextCommandWithoutOne() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  f.Click(f.items().save_button());
  QCOMPARE(f.Part(1), QStringLiteral("Nothing to save in bank"));
  f.Click(f.window->panel().play_button());
  QCOMPARE(f.Part(1), QString());
  // A bank button says which streams use the bank; a Play after it leaves that.
  f.Click(f.Slot(4), Qt::ShiftModifier);
  f.Click(f.items().bank_button(3));
  QCOMPARE(f.Slot(4)->text(), QStringLiteral("Slot 4"));
  f.Click(f.items().bank_button(0));
  QCOMPARE(f.Part(1), QStringLiteral("Bank is used by stream 1"));
  f.Click(f.window->panel().play_button());
  QCOMPARE(f.Part(1), QStringLiteral("Bank is used by stream 1"));
  // A typed name loses ':' and '?' and the box shows what was kept.
  f.Name(QStringLiteral("Gra:ins?"));
  QCOMPARE(f.items().name_box()->text(), QStringLiteral("Grains"));
  f.Click(f.items().save_button());
  QCOMPARE(f.Part(1), QStringLiteral("Saved current patch bank as Grains.kpb"));
  QCOMPARE(f.Slot(4)->text(), QStringLiteral("Patch &4"));
  QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Patches/Grains.kpb"))));
}

void PatchTest::saveWithoutANameAsksForOneInTheNameBox() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  f.Click(f.Slot(1), Qt::ShiftModifier);
  f.Click(f.items().save_button());
  QCOMPARE(f.Part(1), QStringLiteral("You must name this bank to save as a file"));
  QLineEdit* box = f.items().name_box();
  QCOMPARE(box->text(), QStringLiteral("Bank Name?"));
  QCOMPARE(box->selectedText(), QStringLiteral("Bank Name?"));
  QTRY_VERIFY(box->hasFocus());
  // A Q typed into the box is a letter, not the key that stops playing.
  QTest::keyPress(box, Qt::Key_Q);
  QVERIFY(!f.window->q_key_down());
  QTest::keyRelease(box, Qt::Key_Q);
  box->setText(QStringLiteral("Bank Name?"));
  // Leaving the box with the request in it empties the box and names nothing.
  emit box->editingFinished();
  QCOMPARE(box->text(), QString());
  QCOMPARE(f.window->patches().banks().bank(0).name(), std::string());
  // The chooser of "Load" starts in the patches folder (after the save question).
  f.dialogs.answers = {kAnswerNo};
  f.Click(f.items().load_button());
  QCOMPARE(f.dialogs.boxes.back().title, QStringLiteral("Save the patches!"));
  QCOMPARE(f.dialogs.boxes.back().type, BoxType::kYesNoCancel);
  QCOMPARE(f.dialogs.bank_folders, std::vector<QString>{dir.filePath(QStringLiteral("Patches/"))});
}

void PatchTest::programChangesRecallSlotsAndClickBanks() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  f.window->controls().OnControlScroll(ScrollAction::kThumbTrack, 1523, 800, Qt::NoModifier);
  f.Click(f.items().bank_button(2));
  f.Click(f.Slot(7), Qt::ShiftModifier);
  f.Click(f.Slot(0));
  f.Click(f.items().bank_button(0));
  Stream& s = f.window->streams().current();
  // 1600 and up click a bank button: bank C.
  f.window->poster().Post(posted::ProgramChange{1602, 0});
  QCoreApplication::processEvents();
  QVERIFY(f.items().bank_button(2)->isChecked());
  // Below 1590 a slot of the shown bank, as a plain click whatever keys are held.
  f.window->poster().Post(posted::ProgramChange{1407, 0});
  QCoreApplication::processEvents();
  QCOMPARE(s.controls[kAmp].target, 1024 - 800);
  QCOMPARE(s.controls[kAmp].end_time - f.window->engine().frame_clock(),
           int32_t(f.window->engine().output_rate()));  // the change time, not 0.1 s
  QVERIFY(f.Slot(7)->isChecked());
  QCOMPARE(f.Part(1), QStringLiteral("Restore a patch for grain generation"));
  f.window->poster().Post(posted::ProgramChange{1400, 0});
  QCoreApplication::processEvents();
  QCOMPARE(s.controls[kAmp].target, DefaultValue(kAmp));
  QVERIFY(f.Slot(0)->isChecked());
  // Ids without a slot or button, and unknown streams, do nothing.
  f.window->poster().Post(posted::ProgramChange{1425, 0});
  f.window->poster().Post(posted::ProgramChange{1595, 0});
  f.window->poster().Post(posted::ProgramChange{1401, 3});
  QCoreApplication::processEvents();
  QCOMPARE(s.patch_slot, 0);
  QVERIFY(f.items().bank_button(2)->isChecked());
}

void PatchTest::exitWithACancelledQuestionKeepsTheProgramRunning() {
  QTemporaryDir dir;
  PatchWindow f(dir);
  auto store = [&f](int bank, const QString& name) {
    f.Click(f.items().bank_button(bank));
    f.Click(f.Slot(1), Qt::ShiftModifier);
    f.Name(name);
  };
  store(0, QStringLiteral("Alpha"));
  store(1, QStringLiteral("Taken"));
  store(2, QStringLiteral("Gamma"));
  const QString taken = dir.filePath(QStringLiteral("Patches/Taken.kpb"));
  std::filesystem::create_directories(dir.filePath(QStringLiteral("Patches")).toStdString());
  QFile file(taken);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("another bank's file");
  file.close();
  f.dialogs.answers = {kAnswerCancel};
  QVERIFY(!f.window->Exit());
  QVERIFY(!f.window->ended());
  QCOMPARE(f.dialogs.boxes.back().text,
           taken + QStringLiteral("\nThis file exists. Do you want to overwrite?"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("another bank's file"));
  file.close();
  QCOMPARE(f.session.ReadBankEntry('A'), std::string("Alpha"));
  QVERIFY(f.session.ReadBankEntry('B').empty());
  // The close box is the same exit.
  f.dialogs.answers = {kAnswerCancel};
  f.window->show();
  QVERIFY(!f.window->close());
  QVERIFY(!f.window->ended());
  f.dialogs.answers = {kAnswerOk};
  QVERIFY(f.window->Exit());
  QVERIFY(f.window->ended());
  QCOMPARE(f.session.ReadBankEntry('B'), std::string("Taken"));
  QCOMPARE(f.session.ReadBankEntry('C'), std::string("Gamma"));
}

void PatchTest::theNextStartReadsTheBanksFromTheStoredFolder() {
  QTemporaryDir dir;
  QTemporaryDir elsewhere;
  {
    PatchWindow f(dir);
    // A bank file in another folder, loaded into bank B: "Load" moves the patches folder.
    f.Click(f.items().bank_button(4));
    f.Click(f.Slot(2), Qt::ShiftModifier);
    f.Name(QStringLiteral("Far"));
    f.window->patches().commands().set_patch_folder(elsewhere.path().toStdString());
    f.Click(f.items().save_button());
    f.Click(f.items().close_button());
    f.Click(f.items().bank_button(1));
    f.window->patches().commands().set_patch_folder(
        dir.filePath(QStringLiteral("Patches")).toStdString());
    f.dialogs.bank_file = elsewhere.filePath(QStringLiteral("Far.kpb"));
    f.Click(f.items().load_button());
    QCOMPARE(f.window->patches().banks().bank(1).name(), std::string("Far"));
    QCOMPARE(f.Slot(1)->text(), QStringLiteral("Patch &1"));
    QCOMPARE(f.window->patches().patch_folder(), elsewhere.path().toStdString() + "/");
    QVERIFY(f.window->Exit());
  }
  PatchWindow next(dir, false);
  QCOMPARE(next.window->patches().patch_folder(), elsewhere.path().toStdString() + "/");
  QCOMPARE(next.window->patches().banks().bank(1).name(), std::string("Far"));
  QCOMPARE(next.window->patches().banks().bank(1).patch_count(), 1);
  // Bank A holds nothing, so bank A stays shown with empty slots.
  QVERIFY(next.items().bank_button(0)->isChecked());
}

KORNMILL_QT_TEST(PatchTest);

}  // namespace kornmill::testing

#include "patch_test.moc"
