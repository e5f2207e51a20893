// The sound view with real widgets: clicks through the scroll path, drops, grains, recording
// status.
#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/level_meter.h"
#include "app/menu_bar.h"
#include "app/sound_view_host.h"
#include "app/sound_view_window.h"
#include "app/sound_wave_view.h"
#include "app/status_bar.h"
#include "base/sound.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "resources/ids.h"
#include "resources/strings.h"
#include "soundview/waveform_overview.h"
#include "sox_file.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class SoundViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void menuShowsAndHidesTheView();
  void clickAndShiftClickSetStartAndLengthLikeTheScrollbars();
  void droppedFileLoadsThroughTheLoaderAndABrokenOneShowsTheSameMessage();
  void playingShowsGrainsOverTheLoadedSoundAndMovesTheMeter();
  void recordingShowsTheFileAndTheTimeAndMarksTheButton();

 private:
  // A second of a full-scale square wave in the fixture's folder.
  QString Sox(const QString& name, int channels) {
    return testing::Sox(f_->folder.path(), name, channels, 1);
  }
  void Drop(const QString& path);
  SoundViewHost& Host() { return f_->window->sound_view(); }
  Stream& Current() { return f_->window->streams().current(); }
  StatusBar& Status() { return *f_->window->panel().status_bar(); }
  SoundWaveView* OpenView();

  std::unique_ptr<WindowFixture> f_;
};

void SoundViewTest::init() {
  f_ = std::make_unique<WindowFixture>();
}
void SoundViewTest::cleanup() {
  f_.reset();
}

void SoundViewTest::Drop(const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f_->window.get(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f_->window.get(), &drop);
}

SoundWaveView* SoundViewTest::OpenView() {
  f_->window->menus().action(kCmdSoundView)->trigger();
  SoundViewWindow* window = Host().window();
  if (!window) return nullptr;
  window->wave()->setFixedWidth(800);
  window->adjustSize();
  return window->wave();
}

void SoundViewTest::menuShowsAndHidesTheView() {
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

void SoundViewTest::clickAndShiftClickSetStartAndLengthLikeTheScrollbars() {
  SoundWaveView* wave = OpenView();
  QVERIFY(wave);
  QTRY_COMPARE(wave->width(), 800);
  QTest::mouseClick(wave, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
  QCOMPARE(Current().controls[kLoopStart].target, 1024);
  ControlScrollBar* start = f_->window->panel().bar(kLoopStart);
  QCOMPARE(start->position(), PositionFromValue(kControlTable[kLoopStart], 1024));
  // The scrollbar's own texts: its description in part 1, its value after it.
  const std::string_view help = LoadText(kIdFirstControl + kLoopStart);
  QCOMPARE(Status().text(1), QString::fromUtf8(help.data(), static_cast<int>(help.size())));
  QVERIFY(!Status().text(2).isEmpty() || !Status().text(3).isEmpty());
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
  QCOMPARE(f_->window->panel().bar(kLoopLength)->position(),
           PositionFromValue(kControlTable[kLoopLength], 1024));
  QCOMPARE(Current().controls[kLoopStart].target, 2048);
}

void SoundViewTest::droppedFileLoadsThroughTheLoaderAndABrokenOneShowsTheSameMessage() {
  const QString path = Sox(QStringLiteral("square.wav"), 2);
  Drop(path);
  QTRY_COMPARE(f_->window->windowTitle(), QStringLiteral("square.wav - Sifter chops it"));
  QCOMPARE(Status().text(1), QStringLiteral("Stream uses square.wav, default patch"));
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
  QTRY_VERIFY(Status().text(1).contains(QStringLiteral("Could not open ") + bad.fileName()));
  const QString dropped = Status().text(1);
  Status().SetText(1, QString());
  f_->dialogs.soundfile = bad.fileName();
  f_->window->menus().action(kCmdLoadSoundfile)->trigger();
  QTRY_COMPARE(Status().text(1), dropped);
  QCOMPARE(Current().sound, before);
}

void SoundViewTest::playingShowsGrainsOverTheLoadedSoundAndMovesTheMeter() {
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

void SoundViewTest::recordingShowsTheFileAndTheTimeAndMarksTheButton() {
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

KORNMILL_QT_TEST(SoundViewTest);

}  // namespace kornmill::testing

#include "sound_view_test.moc"
