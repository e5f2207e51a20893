// Stopping with Escape and the Q key, recording with the File button, and exit.
#include <sndfile.h>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <vector>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/menu_bar.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

class PlayTest : public WindowTest {
  Q_OBJECT

 public:
  PlayTest() : WindowTest(true) {}

 private slots:
  void escapeStopsPlayingAndDoesNothingWhenStopped();
  void heldQKeyStopsPlaying();
  void fileButtonRecordsAWavThatReadsBack();
  void exitCommandAndCloseBoxShutDown();

 private:
  QPushButton* Play() { return f_->window->panel().play_button(); }
  QPushButton* File() { return f_->window->panel().file_button(); }
  AudioOutput& Out() { return f_->window->output(); }
};

void PlayTest::escapeStopsPlayingAndDoesNothingWhenStopped() {
  QSignalSpy finished(f_->window.get(), &MainWindow::finished);
  ControlScrollBar* bar = f_->Bar(kGrainFreq);
  bar->setFocus();
  // Stopped: Escape does nothing and the program stays open.
  QTest::keyClick(bar, Qt::Key_Escape);
  QVERIFY(!Out().playing());
  QCOMPARE(finished.count(), 0);
  QVERIFY(f_->window->isVisible());
  QTest::mouseClick(Play(), Qt::LeftButton);
  QTRY_VERIFY(Out().blocks_played() >= 2);
  QTest::keyClick(bar, Qt::Key_Escape);
  QCOMPARE(Play()->text(), QStringLiteral("&Play"));
  QTRY_VERIFY(!Out().playing());
  QCOMPARE(finished.count(), 0);
  QVERIFY(f_->window->isVisible());
}

void PlayTest::heldQKeyStopsPlaying() {
  Out().config().soft_stop = 0;
  QTest::mouseClick(Play(), Qt::LeftButton);
  QTRY_VERIFY(Out().blocks_played() >= 2);
  ControlScrollBar* bar = f_->Bar(kAmp);
  QTest::keyPress(bar, Qt::Key_Q);
  QVERIFY(f_->window->q_key_down());
  // The next block done finds the key down: playing stops at once.
  QTRY_VERIFY(!Out().playing());
  QCOMPARE(Play()->text(), QStringLiteral("&Play"));
  QVERIFY(!Play()->isChecked());
  QTest::keyRelease(bar, Qt::Key_Q);
  QVERIFY(!f_->window->q_key_down());
  // With the key up, Play plays again.
  QTest::mouseClick(Play(), Qt::LeftButton);
  QVERIFY(Out().playing());
}

void PlayTest::fileButtonRecordsAWavThatReadsBack() {
  QTest::mouseClick(File(), Qt::LeftButton);
  QVERIFY(Out().recording());
  QVERIFY(File()->isChecked());
  QTest::mouseClick(Play(), Qt::LeftButton);
  QTRY_VERIFY(Out().config().blocks_written >= 10);
  Out().config().soft_stop = 0;
  QTest::mouseClick(Play(), Qt::LeftButton);
  QVERIFY(!Out().playing());
  const int blocks = Out().config().blocks_written;
  QTest::mouseClick(File(), Qt::LeftButton);
  QVERIFY(!Out().recording());
  QVERIFY(!File()->isChecked());

  // Numbered files start at sifter01.wav: 16-bit stereo at 22050 Hz.
  const QString path = QDir(f_->folder.path()).filePath(QStringLiteral("sifter01.wav"));
  SF_INFO info{};
  SNDFILE* file = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
  QVERIFY2(file, sf_strerror(nullptr));
  QCOMPARE(info.channels, 2);
  QCOMPARE(info.samplerate, 22050);
  QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  QCOMPARE(info.frames, sf_count_t(blocks) * 256);
  std::vector<short> samples(info.frames * 2);
  QCOMPARE(sf_readf_short(file, samples.data(), info.frames), info.frames);
  sf_close(file);
  // The sine's grains are in it.
  int peak = 0;
  for (short s : samples) peak = std::max(peak, std::abs(int(s)));
  QVERIFY(peak > 1000);
}

void PlayTest::exitCommandAndCloseBoxShutDown() {
  QSignalSpy finished(f_->window.get(), &MainWindow::finished);
  QTest::mouseClick(Play(), Qt::LeftButton);
  QTRY_VERIFY(Out().blocks_played() >= 2);
  f_->window->menus().action(kCmdExit)->trigger();
  QCOMPARE(finished.count(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), 1);
  QVERIFY(!f_->window->isVisible());
  // A window closed by its close box exits the same way.
  WindowFixture second;
  QSignalSpy closed(second.window.get(), &MainWindow::finished);
  QVERIFY(second.window->close());
  QCOMPARE(closed.count(), 1);
  QCOMPARE(closed.at(0).at(0).toInt(), 1);
}

KORNMILL_QT_TEST(PlayTest);

}  // namespace kornmill::testing

#include "play_test.moc"
