// The In/Out Options dialog through its widgets, the stereo command, F1 in dialogs and the About
// box.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/options_dialog.h"
#include "app/sound_output_page.h"
#include "clock_devices.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

namespace {

QPushButton* DialogButton(QDialog& d, const QString& text) {
  for (QPushButton* b : d.findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void pagesAndLabels();
  void blockSizeSliderEnds();
  void cancelAfterTestPlayRestoresRateAndDevice();
  void okKeepsTheChangesAndRebuilds();
  void theCommandRunsTheDialogModallyAndNotWhileBusy();
  void f1AndHelpInTheDialogOpenItsSection();
  void stereoCommandTogglesTheOutput();
  void aboutBoxIsCentredWithOneButton();

 private:
  AudioOutput& Out() { return window_->output(); }

  QTemporaryDir folder_;
  FakeDialogs dialogs_;
  ClockDevices* devices_ = nullptr;
  std::unique_ptr<MainWindow> window_;
};

void OptionsDialogTest::init() {
  dialogs_ = FakeDialogs{};
  auto devices = std::make_unique<ClockDevices>();
  devices_ = devices.get();
  MainWindowOptions options;
  options.dialogs = &dialogs_;
  options.devices = std::move(devices);
  options.output_folder = folder_.path().toStdString();
  window_ = std::make_unique<MainWindow>(std::move(options));
}

void OptionsDialogTest::cleanup() {
  window_.reset();
}

void OptionsDialogTest::pagesAndLabels() {
  OptionsDialog dialog(*window_);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("In/Out Options"));
  QCOMPARE(dialog.tabs()->tabText(0), QStringLiteral("Sound output"));
  SoundOutputPage* page = dialog.sound_output_page();
  QCOMPARE(page->devices()->count(), 2);
  QCOMPARE(page->devices()->itemText(0), QStringLiteral("(JACK) clock"));
  QCOMPARE(page->devices()->currentIndex(), 0);  // the default: the first device
  QCOMPARE(page->rates()->currentText(), QStringLiteral("22050"));
  QVERIFY(page->stereo()->isChecked());
  QCOMPARE(page->block_size()->value(), 9);
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("1024 frames, 46 ms"));
  page->rates()->setCurrentIndex(page->rates()->findText(QStringLiteral("44100")));
  emit page->rates()->activated(page->rates()->currentIndex());
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("1024 frames, 23 ms"));
  QCOMPARE(Out().config().sample_rate, 44100);  // live
  for (const char* label : {"&OK", "&Cancel", "&Help"}) {
    QVERIFY2(DialogButton(dialog, QString::fromUtf8(label)), label);
  }
  dialog.reject();
  QCOMPARE(Out().config().sample_rate, 22050);
}

void OptionsDialogTest::blockSizeSliderEnds() {
  OptionsDialog dialog(*window_);
  SoundOutputPage* page = dialog.sound_output_page();
  QCOMPARE(page->block_size()->minimum(), 3);
  QCOMPARE(page->block_size()->maximum(), 15);
  page->block_size()->setValue(3);
  QCOMPARE(Out().config().frames_per_block, 4);
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("16 frames, 1 ms"));
  page->block_size()->setValue(15);
  QCOMPARE(Out().config().frames_per_block, 16384);
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("65536 frames, 2972 ms"));
  dialog.reject();
  QCOMPARE(Out().config().frames_per_block, 256);
}

void OptionsDialogTest::cancelAfterTestPlayRestoresRateAndDevice() {
  OptionsDialog dialog(*window_);
  dialog.show();
  SoundOutputPage* page = dialog.sound_output_page();
  page->devices()->setCurrentIndex(1);
  emit page->devices()->activated(1);
  page->rates()->setCurrentIndex(page->rates()->findText(QStringLiteral("44100")));
  emit page->rates()->activated(page->rates()->currentIndex());
  page->stereo()->click();
  QTest::mouseClick(page->test_play(), Qt::LeftButton);
  QVERIFY(Out().playing());
  QVERIFY(page->test_play()->isChecked());
  QCOMPARE(devices_->made.back(), 0);
  QCOMPARE(window_->engine().output_rate(), 44100u);
  QCOMPARE(window_->engine().channels(), 1);
  QTRY_VERIFY(Out().blocks_played() >= 4);
  // Clicked again while playing: it stops.
  QTest::mouseClick(page->test_play(), Qt::LeftButton);
  QVERIFY(!Out().playing());
  QVERIFY(!page->test_play()->isChecked());
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&Cancel")), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QCOMPARE(Out().config().sample_rate, 22050);
  QCOMPARE(Out().config().selected_device, kRtAudioDeviceBase);
  QCOMPARE(Out().config().stereo, 1);
  QCOMPARE(window_->engine().output_rate(), 22050u);
  QCOMPARE(window_->engine().channels(), 2);
  QCOMPARE(window_->engine().sine().onset_unit, 268435456u / 22050);
  QCOMPARE(window_->streams().first()->block.size(), size_t(512));
}

void OptionsDialogTest::okKeepsTheChangesAndRebuilds() {
  OptionsDialog dialog(*window_);
  SoundOutputPage* page = dialog.sound_output_page();
  page->rates()->setCurrentIndex(page->rates()->findText(QStringLiteral("48000")));
  emit page->rates()->activated(page->rates()->currentIndex());
  page->block_size()->setValue(10);
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&OK")), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(Out().config().sample_rate, 48000);
  QCOMPARE(window_->engine().output_rate(), 48000u);
  QCOMPARE(window_->engine().block_frames(), 512);
  QCOMPARE(Out().config().bytes_per_float_block, 512 * 2 * 4);
}

void OptionsDialogTest::theCommandRunsTheDialogModallyAndNotWhileBusy() {
  int seen_rate = 0;
  dialogs_.dialog_script = [&seen_rate](QDialog& d) {
    auto* page = d.findChild<SoundOutputPage*>();
    seen_rate = page ? page->rates()->currentText().toInt() : -1;
    d.reject();
    return int(QDialog::Rejected);
  };
  window_->menus().action(kCmdSoundcardOptions)->trigger();
  QCOMPARE(dialogs_.dialog_titles.size(), size_t(1));
  QCOMPARE(dialogs_.dialog_titles[0], QStringLiteral("In/Out Options"));
  QCOMPARE(seen_rate, 22050);
  // While playing (say, after a MIDI note) the command does nothing.
  QVERIFY(Out().StartPlay(kPlayFromMidi));
  window_->OnMenuCommand(kCmdSoundcardOptions);
  QCOMPARE(dialogs_.dialog_titles.size(), size_t(1));
  Out().StopPlay();
}

void OptionsDialogTest::f1AndHelpInTheDialogOpenItsSection() {
  OptionsDialog dialog(*window_);
  dialog.show();
  QTest::keyClick(dialog.sound_output_page()->block_size(), Qt::Key_F1);
  QCOMPARE(dialogs_.help_pages.size(), size_t(1));
  QCOMPARE(dialogs_.help_pages[0].fragment(), QStringLiteral("io-options"));
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&Help")), Qt::LeftButton);
  QCOMPARE(dialogs_.help_pages.size(), size_t(2));
  QCOMPARE(dialogs_.help_pages[1].fragment(), QStringLiteral("io-options"));
  QVERIFY(dialog.isVisible());
  dialog.reject();
}

void OptionsDialogTest::stereoCommandTogglesTheOutput() {
  window_->OnMenuCommand(kCmdToggleStereo);
  QCOMPARE(Out().config().stereo, 0);
  QCOMPARE(window_->engine().channels(), 1);
  QCOMPARE(window_->streams().first()->block.size(), size_t(256));
  window_->OnMenuCommand(kCmdToggleStereo);
  QCOMPARE(window_->engine().channels(), 2);
}

void OptionsDialogTest::aboutBoxIsCentredWithOneButton() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  AboutBox box(window_.get());
  box.show();
  QVERIFY(QTest::qWaitForWindowExposed(&box));
  QCOMPARE(box.windowTitle(), QStringLiteral("About Kornmill"));
  const QPoint offset = box.frameGeometry().center() - window_->frameGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2")
                                                         .arg(offset.x())
                                                         .arg(offset.y())));
  const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 1);
  QTest::keyClick(&box, Qt::Key_F1);
  QCOMPARE(dialogs_.help_pages.back().fragment(), QStringLiteral("contact"));
  QTest::mouseClick(buttons[0], Qt::LeftButton);
  QVERIFY(!box.isVisible());
  QCOMPARE(box.result(), int(QDialog::Accepted));
}

KORNMILL_QT_TEST(OptionsDialogTest);

}  // namespace kornmill::testing

#include "options_dialog_test.moc"
