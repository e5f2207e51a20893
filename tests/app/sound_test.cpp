// Soundfiles written by sox in the window: loading by the chooser and by drops, titles, tab labels
// and status texts, failures, channels, the test tone; the Sound View of the loaded sound.
#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QUrl>

#include "app/control_scroll_bar.h"
#include "app/level_meter.h"
#include "app/menu_bar.h"
#include "app/sound_view_host.h"
#include "app/sound_view_window.h"
#include "app/sound_wave_view.h"
#include "app/stream_view.h"
#include "base/sound.h"
#include "controls/control_table.h"
#include "resources/ids.h"
#include "resources/strings.h"
#include "soundview/waveform_overview.h"
#include "sox_file.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

class SoundTest : public WindowTest {
  Q_OBJECT

 private slots:
  void loadingAStereoFileRetitlesAndRelabels();
  void failedOrCancelledLoadKeepsTheSound();
  void stereoChannelsAndTheTestTone();
  void menuShowsAndHidesTheSoundView();
  void clickAndShiftClickSetStartAndLengthLikeTheScrollbars();
  void droppedFileLoadsThroughTheLoaderAndABrokenOneShowsTheSameMessage();
  void playingShowsGrainsOverTheLoadedSoundAndMovesTheMeter();
  void recordingShowsTheFileAndTheTimeAndMarksTheButton();

 private:
  // Writes a full-scale square wave with sox into the fixture's folder.
  QString Sox(const QString& name, int channels, double seconds = 1) {
    return testing::Sox(f_->folder.path(), name, channels, seconds);
  }
  // Chooses `path` in the soundfile chooser; the loader thread brings the sound later.
  void Load(const QString& path);
  // Drops `path` on the main window.
  void Drop(const QString& path);
  SoundWaveView* OpenView();
  SoundViewHost& Host() { return f_->window->sound_view(); }
  Stream& Current() { return f_->Current(); }
  StatusBar& Status() { return *f_->window->panel().status_bar(); }
  QString Part1() { return f_->Part(1); }
};

void SoundTest::Load(const QString& path) {
  f_->dialogs.soundfile = path;
  f_->window->menus().action(kCmdLoadSoundfile)->trigger();
}

void SoundTest::Drop(const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f_->window.get(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f_->window.get(), &drop);
}

SoundWaveView* SoundTest::OpenView() {
  f_->window->menus().action(kCmdSoundView)->trigger();
  SoundViewWindow* window = Host().window();
  if (!window) return nullptr;
  window->wave()->setFixedWidth(800);
  window->adjustSize();
  return window->wave();
}

void SoundTest::loadingAStereoFileRetitlesAndRelabels() {
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
  QCOMPARE(QString::fromStdString(f_->window->source_folder()), f_->folder.path());
  // The density text of the stream is shown again; part 2 is cleared.
  QCOMPARE(f_->Part(3), QStringLiteral("Density: 2.002"));
  QVERIFY(f_->Part(2).isEmpty());
}

void SoundTest::failedOrCancelledLoadKeepsTheSound() {
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

void SoundTest::stereoChannelsAndTheTestTone() {
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

void SoundTest::menuShowsAndHidesTheSoundView() {
  MenuBar& menus = f_->window->menus();
  QVERIFY(!Host().open());
  QVERIFY(!Host().publisher().enabled());
  menus.action(kCmdSoundView)->trigger();
  QVERIFY(Host().open());
  QVERIFY(Host().publisher().enabled());
  menus.UpdateMenuState();
  QVERIFY(menus.action(kCmdSoundView)->isChecked());
  // The close box hides it and stops publishing, as the menu does.
  Host().window()->close();
  QVERIFY(!Host().open());
  QVERIFY(!Host().publisher().enabled());
  menus.UpdateMenuState();
  QVERIFY(!menus.action(kCmdSoundView)->isChecked());
}

void SoundTest::clickAndShiftClickSetStartAndLengthLikeTheScrollbars() {
  SoundWaveView* wave = OpenView();
  QVERIFY(wave);
  QTRY_COMPARE(wave->width(), 800);
  QTest::mouseClick(wave, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
  QCOMPARE(Current().controls[kLoopStart].target, 1024);
  QCOMPARE(f_->Bar(kLoopStart)->position(), PositionFromValue(kControlTable[kLoopStart], 1024));
  // The scrollbar's own description in part 1.
  const std::string_view help = LoadText(kIdFirstControl + kLoopStart);
  QCOMPARE(Part1(), QString::fromUtf8(help.data(), static_cast<int>(help.size())));
  // Dragging follows the pointer.
  QTest::mousePress(wave, Qt::LeftButton, Qt::NoModifier, QPoint(300, 40));
  QMouseEvent move(QEvent::MouseMove, QPointF(400, 40), wave->mapToGlobal(QPointF(400, 40)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(wave, &move);
  QTest::mouseRelease(wave, Qt::LeftButton, Qt::NoModifier, QPoint(400, 40));
  QCOMPARE(Current().controls[kLoopStart].target, 2048);
  // Shift: the loop runs from the start to the click.
  Host().Tick();
  QTest::mouseClick(wave, Qt::LeftButton, Qt::ShiftModifier, QPoint(600, 40));
  QCOMPARE(Current().controls[kLoopLength].target, 1024);
  QCOMPARE(f_->Bar(kLoopLength)->position(), PositionFromValue(kControlTable[kLoopLength], 1024));
  QCOMPARE(Current().controls[kLoopStart].target, 2048);
}

void SoundTest::droppedFileLoadsThroughTheLoaderAndABrokenOneShowsTheSameMessage() {
  const QString path = Sox(QStringLiteral("square.wav"), 2);
  Drop(path);
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("square.wav - Sifter chops it"));
  QCOMPARE(Part1(), QStringLiteral("Stream uses square.wav, default patch"));
  // The loader thread drew the sound's picture: a full-scale square fills every column.
  const std::shared_ptr<const WaveformOverview> overview = Current().sound->overview;
  QVERIFY(overview);
  QCOMPARE(overview->frames(), int64_t(22050));
  QCOMPARE(overview->columns(2), 256);  // 86 frames each: both halves of a 50-frame period
  QVERIFY(overview->at(2, 0, 255).max > 0.999f && overview->at(2, 0, 255).min < -0.999f);
  // A broken file: the chooser's message, and the sound stays.
  Sound* before = Current().sound;
  QFile bad(QDir(f_->folder.path()).filePath(QStringLiteral("notes.wav")));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write("These are not samples, just a few words of text.\n");
  bad.close();
  Drop(bad.fileName());
  QTRY_VERIFY(Part1().contains(QStringLiteral("Could not open ") + bad.fileName()));
  const QString dropped = Part1();
  Status().SetText(1, QString());
  f_->dialogs.soundfile = bad.fileName();
  f_->window->menus().action(kCmdLoadSoundfile)->trigger();
  QTRY_COMPARE(Part1(), dropped);
  QCOMPARE(Current().sound, before);
}

void SoundTest::playingShowsGrainsOverTheLoadedSoundAndMovesTheMeter() {
  Drop(Sox(QStringLiteral("square.wav"), 1));
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("square.wav - Sifter chops it"));
  SoundWaveView* wave = OpenView();
  QVERIFY(f_->window->output().StartPlay(kPlayFromButton));
  // The frame timer takes the snapshots.
  QTRY_VERIFY(Host().publisher().latest().grain_count > 0);
  QCOMPARE(wave->state().overview, Current().sound->overview);
  wave->grab();  // paints
  QVERIFY(wave->marks_drawn() > 0);
  QTRY_VERIFY(Host().window()->meter()->held_db(0) > LevelMeter::kFloorDb);
  f_->window->output().StopPlay();
}

void SoundTest::recordingShowsTheFileAndTheTimeAndMarksTheButton() {
  QPushButton* file = f_->window->panel().file_button();
  QVERIFY(Status().recording().isEmpty());
  QTest::mouseClick(file, Qt::LeftButton);
  QVERIFY(f_->window->output().recording());
  Host().UpdateRecordingStatus();
  const QString name =
      QFileInfo(QString::fromStdString(f_->window->output().recording_path())).fileName();
  QCOMPARE(Status().recording(), QStringLiteral("REC %1 0:00").arg(name));
  QVERIFY(!file->styleSheet().isEmpty());
  QCOMPARE(SoundViewHost::RecordingText("/x/sifter07.wav", 754.9),
           QStringLiteral("REC sifter07.wav 12:34"));
  QTest::mouseClick(file, Qt::LeftButton);
  Host().UpdateRecordingStatus();
  QVERIFY(Status().recording().isEmpty());
  QVERIFY(file->styleSheet().isEmpty());
}

KORNMILL_QT_TEST(SoundTest);

}  // namespace kornmill::testing

#include "sound_test.moc"
