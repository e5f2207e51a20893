// Loading soundfiles written by sox: title, tab label, status texts, channels, failures, test tone.
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include "app/dialog_panel.h"
#include "app/menu_bar.h"
#include "app/status_bar.h"
#include "app/stream_view.h"
#include "base/sound.h"
#include "controls/stream.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "sox_file.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class LoadTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void loadingAStereoFileRetitlesAndRelabels();
  void failedOrCancelledLoadKeepsTheSound();
  void stereoChannelsAndTheTestTone();

 private:
  // Writes a soundfile with sox into the fixture's folder.
  QString Sox(const QString& name, int channels, double seconds) {
    return testing::Sox(f_->folder.path(), name, channels, seconds);
  }
  // Chooses `path` in the soundfile chooser; the loader thread brings the sound later.
  void Load(const QString& path);
  Stream& Current() { return f_->window->streams().current(); }
  QString Part1() { return f_->window->panel().status_bar()->text(1); }

  std::unique_ptr<WindowFixture> f_;
};

void LoadTest::init() {
  f_ = std::make_unique<WindowFixture>();
}
void LoadTest::cleanup() {
  f_.reset();
}

void LoadTest::Load(const QString& path) {
  f_->dialogs.soundfile = path;
  f_->window->menus().action(kCmdLoadSoundfile)->trigger();
}

void LoadTest::loadingAStereoFileRetitlesAndRelabels() {
  const QString path = Sox(QStringLiteral("tone.wav"), 2, 0.5);
  QSignalSpy relabels(&f_->window->stream_view(), &StreamView::tabRelabelled);
  Load(path);
  // The chooser starts in the source folder.
  QCOMPARE(f_->dialogs.soundfile_folders.at(0), f_->folder.path());
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("tone.wav - Sifter chops it"));
  // While the sound was replaced the tab read "  [  ]"; afterwards its plain label.
  QCOMPARE(relabels.count(), 2);
  QCOMPARE(relabels.at(0).at(1).toString(), QStringLiteral("Stream 1  [  ]"));
  QCOMPARE(relabels.at(1).at(1).toString(), QStringLiteral("Stream 1"));
  QCOMPARE(f_->window->panel().tabs()->tabText(0), QStringLiteral("Stream 1"));
  QCOMPARE(Current().state, kStreamActive);
  QCOMPARE(Part1(), QStringLiteral("Stream uses tone.wav, default patch"));
  QCOMPARE(Current().sound->frame_count, 11025);
  QCOMPARE(Current().sound->channels, 2);
  QCOMPARE(Current().input_mask, kInputBoth);
  QCOMPARE(QString::fromStdString(f_->window->source_folder()), f_->folder.path());
  // The density text of the stream is shown again; part 2 is cleared.
  QCOMPARE(f_->window->panel().status_bar()->text(3), QStringLiteral("Density: 2.002"));
  QVERIFY(f_->window->panel().status_bar()->text(2).isEmpty());
}

void LoadTest::failedOrCancelledLoadKeepsTheSound() {
  Load(QString());
  QCoreApplication::processEvents();
  QVERIFY(Current().sound->builtin);
  Load(Sox(QStringLiteral("tone.wav"), 1, 0.25));
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("tone.wav - Sifter chops it"));
  Sound* before = Current().sound;
  // A file that is not there (a broken one is dropped in the sound view's test).
  const QString missing = QDir(f_->folder.path()).filePath(QStringLiteral("missing.wav"));
  Load(missing);
  QTRY_VERIFY(Part1().contains(QStringLiteral("Could not open ") + missing));
  QCOMPARE(Current().sound, before);
  QCOMPARE(f_->window->windowTitle(), QStringLiteral("tone.wav - Sifter chops it"));
}

void LoadTest::stereoChannelsAndTheTestTone() {
  const QString path = Sox(QStringLiteral("pair.wav"), 2, 0.25);
  Load(path);
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("pair.wav - Sifter chops it"));
  MenuBar& menus = f_->window->menus();
  menus.UpdateMenuState();
  QVERIFY(menus.stereo_input_menu()->menuAction()->isEnabled());
  QVERIFY(menus.action(kCmdLeftChannel)->isChecked());
  QVERIFY(menus.action(kCmdRightChannel)->isChecked());
  QVERIFY(menus.action(kCmdLoadSoundfile)->isChecked());
  QVERIFY(menus.action(kCmdTestTone)->isEnabled());
  // Turning off the left channel, then the right: the mask is never empty.
  menus.action(kCmdLeftChannel)->trigger();
  QCOMPARE(Current().input_mask, kInputRight);
  menus.action(kCmdRightChannel)->trigger();
  QCOMPARE(Current().input_mask, kInputLeft);
  // While playing, the stereo input stays available for a two-channel sound.
  QVERIFY(f_->window->output().StartPlay(1));
  menus.UpdateMenuState();
  QVERIFY(menus.stereo_input_menu()->menuAction()->isEnabled());
  f_->window->output().StopPlay();
  // The test tone plays the sine again; choosing the file attaches its cached sound.
  Sound* loaded = Current().sound;
  menus.action(kCmdTestTone)->trigger();
  QCOMPARE(f_->window->windowTitle(), QStringLiteral("Kornmill"));
  QVERIFY(Current().sound->builtin);
  QCOMPARE(Part1(), QStringLiteral("Stream uses Built-in 110 Hz sine, default patch"));
  Load(path);
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("pair.wav - Sifter chops it"));
  QCOMPARE(Current().sound, loaded);
}

KORNMILL_QT_TEST(LoadTest);

}  // namespace kornmill::testing

#include "load_test.moc"
