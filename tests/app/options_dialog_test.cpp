// The In/Out Options dialog through its widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "../midi/fake_midi_ports.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/midi_glue.h"
#include "app/midi_input_page.h"
#include "app/options_dialog.h"
#include "app/sound_output_page.h"
#include "clock_devices.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

// A machine with a sound card and three MIDI inputs.
class OptionsDialogTest : public WindowTest {
  Q_OBJECT

 public:
  OptionsDialogTest()
      : WindowTest(false, [this](WindowFixture& f, MainWindowOptions& options) {
          auto devices = std::make_unique<ClockDevices>();
          devices_ = devices.get();
          options.devices = std::move(devices);
          options.use_null_device = false;
          f.midi_ports->ports = {{"(ALSA) Kornmill MIDI in", "ALSA", "Kornmill MIDI in", true},
                                 {"(ALSA) Keys:out", "ALSA", "Keys:out", false},
                                 {"(JACK) pads:out", "JACK", "pads:out", false}};
        }) {}

 private slots:
  void pagesAndLabels();
  void cancelAfterTestPlayRestoresRateAndDevice();
  void okKeepsTheChangesAndRebuilds();
  void theCommandRunsTheDialogModallyAndNotWhileBusy();
  void midiPageShowsTheDevicesAndFlags();
  void midiChannelAbove16IsRefused();
  void midiDeviceThatFailsKeepsTheDialogOpen();

 private:
  MainWindow& Window() { return *f_->window; }
  AudioOutput& Out() { return Window().output(); }
  MidiInput& Midi() { return Window().midi().input(); }
  FakePorts& Ports() { return *f_->midi_ports; }

  ClockDevices* devices_ = nullptr;  // owned by the window
};

void OptionsDialogTest::pagesAndLabels() {
  OptionsDialog dialog(Window());
  QCOMPARE(dialog.windowTitle(), QStringLiteral("In/Out Options"));
  QCOMPARE(dialog.tabs()->tabText(0), QStringLiteral("Sound output"));
  SoundOutputPage* page = dialog.sound_output_page();
  QCOMPARE(page->devices()->count(), 2);
  QCOMPARE(page->devices()->itemText(0), QStringLiteral("(JACK) clock"));
  QCOMPARE(page->devices()->currentIndex(), 0);  // the default: the first device
  QCOMPARE(page->rates()->currentText(), QStringLiteral("22050"));
  QVERIFY(page->stereo()->isChecked());
  QCOMPARE(page->block_size()->value(), 9);
  QCOMPARE(page->block_size()->minimum(), 3);
  QCOMPARE(page->block_size()->maximum(), 15);
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("1024 frames, 46 ms"));
  page->rates()->setCurrentIndex(page->rates()->findText(QStringLiteral("44100")));
  emit page->rates()->activated(page->rates()->currentIndex());
  QCOMPARE(page->buffer_label()->text(), QStringLiteral("1024 frames, 23 ms"));
  QCOMPARE(dialog.tabs()->tabText(1), QStringLiteral("MIDI input"));
  QCOMPARE(Out().config().sample_rate, 44100);  // live
  for (const char* label : {"&OK", "&Cancel", "&Help"}) {
    QVERIFY2(DialogButton(dialog, QString::fromUtf8(label)), label);
  }
  dialog.reject();
  QCOMPARE(Out().config().sample_rate, 22050);
}

void OptionsDialogTest::cancelAfterTestPlayRestoresRateAndDevice() {
  OptionsDialog dialog(Window());
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
  QCOMPARE(Window().engine().output_rate(), 44100u);
  QCOMPARE(Window().engine().channels(), 1);
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
  QCOMPARE(Window().engine().output_rate(), 22050u);
  QCOMPARE(Window().engine().channels(), 2);
}

void OptionsDialogTest::okKeepsTheChangesAndRebuilds() {
  OptionsDialog dialog(Window());
  SoundOutputPage* page = dialog.sound_output_page();
  page->rates()->setCurrentIndex(page->rates()->findText(QStringLiteral("48000")));
  emit page->rates()->activated(page->rates()->currentIndex());
  page->block_size()->setValue(10);
  QCOMPARE(page->render_threads()->value(), 1);
  const int threads = page->render_threads()->maximum();  // one per core
  page->render_threads()->setValue(threads);
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&OK")), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(Window().engine().render_threads(), threads);
  QCOMPARE(Out().config().sample_rate, 48000);
  QCOMPARE(Out().config().frames_per_block, 512);
  QCOMPARE(Window().engine().output_rate(), 48000u);
}

void OptionsDialogTest::theCommandRunsTheDialogModallyAndNotWhileBusy() {
  int seen_rate = 0;
  f_->dialogs.dialog_script = [&seen_rate](QDialog& d) {
    auto* page = d.findChild<SoundOutputPage*>();
    seen_rate = page ? page->rates()->currentText().toInt() : -1;
    d.reject();
    return int(QDialog::Rejected);
  };
  Window().menus().action(kCmdSoundcardOptions)->trigger();
  QCOMPARE(f_->dialogs.dialog_titles.size(), size_t(1));
  QCOMPARE(f_->dialogs.dialog_titles[0], QStringLiteral("In/Out Options"));
  QCOMPARE(seen_rate, 22050);
  // While playing (say, after a MIDI note) the command does nothing.
  QVERIFY(Out().StartPlay(kPlayFromMidi));
  Window().OnMenuCommand(kCmdSoundcardOptions);
  QCOMPARE(f_->dialogs.dialog_titles.size(), size_t(1));
  Out().StopPlay();
}

void OptionsDialogTest::midiPageShowsTheDevicesAndFlags() {
  Midi().config().monitor = false;
  // A keyboard plugged in since start-up appears, and the open device stays chosen.
  Ports().ports.insert(Ports().ports.begin() + 1, {"(ALSA) New:out", "ALSA", "New:out", false});
  Midi().config().device = 2;  // "(ALSA) Keys:out" in the list of start-up
  OptionsDialog dialog(Window());
  MidiInputPage* page = dialog.midi_input_page();
  QCOMPARE(page->devices()->count(), 5);
  QCOMPARE(page->devices()->itemText(0), QStringLiteral("None"));
  QCOMPARE(page->devices()->itemText(2), QStringLiteral("(ALSA) New:out"));
  QCOMPARE(page->devices()->currentText(), QStringLiteral("(JACK) pads:out"));
  QCOMPARE(Midi().config().device, 3);
  QVERIFY(page->move_sliders()->isChecked());
  QVERIFY(!page->monitor()->isChecked());
  page->monitor()->click();
  page->move_sliders()->click();
  page->devices()->setCurrentIndex(0);
  emit page->devices()->activated(0);
  QCOMPARE(Midi().config().device, kNoMidiDevice);
  QVERIFY(Midi().config().monitor);
  QVERIFY(!Midi().config().move_sliders);
  dialog.reject();
  QCOMPARE(Midi().config().device, 3);
  QVERIFY(!Midi().config().monitor);
  QVERIFY(Midi().config().move_sliders);
}

void OptionsDialogTest::midiChannelAbove16IsRefused() {
  OptionsDialog dialog(Window());
  dialog.show();
  dialog.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  dialog.tabs()->setCurrentIndex(1);
  ChannelBox* channel = dialog.midi_input_page()->channel();
  QCOMPARE(channel->value(), 0);
  channel->setFocus();
  channel->selectAll();
  QTest::keyClicks(channel, QStringLiteral("5"));
  QTest::keyClick(channel, Qt::Key_Tab);
  QCOMPARE(Midi().config().channel, 5);
  channel->setFocus();
  channel->selectAll();
  QTest::keyClicks(channel, QStringLiteral("17"));
  QCOMPARE(channel->text(), QStringLiteral("17"));  // typed, not yet taken
  QTest::keyClick(channel, Qt::Key_Tab);
  QCOMPARE(channel->text(), QStringLiteral("5"));
  QCOMPARE(Midi().config().channel, 5);
  QTest::keyClick(channel, Qt::Key_Up);
  QCOMPARE(Midi().config().channel, 6);
  dialog.accept();
  QCOMPARE(Midi().config().channel, 6);
}

void OptionsDialogTest::midiDeviceThatFailsKeepsTheDialogOpen() {
  QCOMPARE(Ports().opened, std::vector<std::string>{"(ALSA) Kornmill MIDI in"});
  Ports().refuse = "(JACK) pads:out";
  OptionsDialog dialog(Window());
  dialog.show();
  MidiInputPage* page = dialog.midi_input_page();
  page->devices()->setCurrentIndex(3);
  emit page->devices()->activated(3);
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&OK")), Qt::LeftButton);
  QVERIFY(dialog.isVisible());
  QCOMPARE(f_->dialogs.boxes.back().title, QStringLiteral("Error opening MIDI input device"));
  QVERIFY(!Midi().is_open());
  // Cancel now puts back the device the dialog found, open.
  QTest::mouseClick(DialogButton(dialog, QStringLiteral("&Cancel")), Qt::LeftButton);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QCOMPARE(Midi().config().device, 0);
  QVERIFY(Midi().is_open());
  QCOMPARE(Ports().opened.back(), std::string("(ALSA) Kornmill MIDI in"));

  // Another try, with a device that opens.
  OptionsDialog again(Window());
  page = again.midi_input_page();
  page->devices()->setCurrentIndex(2);
  emit page->devices()->activated(2);
  QTest::mouseClick(DialogButton(again, QStringLiteral("&OK")), Qt::LeftButton);
  QCOMPARE(again.result(), int(QDialog::Accepted));
  QCOMPARE(Ports().opened.back(), std::string("(ALSA) Keys:out"));
  QVERIFY(Midi().is_open());
}

KORNMILL_QT_TEST(OptionsDialogTest);

}  // namespace kornmill::testing

#include "options_dialog_test.moc"
