// What is remembered between runs: takes never overwritten, settings, recent files.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "../midi/fake_midi_ports.h"
#include "app/dialog_panel.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/midi_glue.h"
#include "app/settings_glue.h"
#include "app/sound_view_host.h"
#include "app/status_bar.h"
#include "engine/engine.h"
#include "fake_dialogs.h"
#include "resources/ids.h"
#include "settings/qsettings_store.h"
#include "settings/settings_io.h"
#include "sox_file.h"
#include "test_registry.h"

namespace kornmill::testing {

namespace {

const int32_t kJackDevice = MakeRtAudioSelection(4, 2);  // JACK (host API 4), device 2
const uint32_t kResponseRow = PackRow({90, 10, 3, kResponseSources[2].flags, 2});

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void takesAreNeverOverwrittenEvenAfterACrash();
  void choicesSurviveExitAndRestart();
  void damagedSettingsWarnAndTheProgramRuns();
  void aFolderInPlaceOfTheSettingsFile();
  void recentSoundfilesMenuLoadsAndRemembers();

 private:
  // A window on the null device with the settings file of this test.
  std::unique_ptr<MainWindow> Start(FakeDialogs& dialogs, const std::string& output_folder = {});
  // Records with the ">>> File" button, playing `blocks` blocks in between (none: not playing).
  void Record(MainWindow& window, int blocks);
  // Moves every remembered choice off its default, as the menus and the In/Out Options do.
  void ChangeEveryChoice(MainWindow& window);
  QString OutFile(const QString& name) const { return QDir(out_->path()).filePath(name); }
  static QByteArray Bytes(const QString& path);

  std::unique_ptr<QTemporaryDir> config_;
  std::unique_ptr<QTemporaryDir> out_;
  std::string settings_file_;
};

void SettingsTest::init() {
  config_ = std::make_unique<QTemporaryDir>();
  out_ = std::make_unique<QTemporaryDir>();
  settings_file_ = config_->path().toStdString() + "/Klangforge/Kornmill.conf";
}

void SettingsTest::cleanup() {
  out_.reset();
  config_.reset();
}

std::unique_ptr<MainWindow> SettingsTest::Start(FakeDialogs& dialogs,
                                                const std::string& output_folder) {
  MainWindowOptions options;
  options.dialogs = &dialogs;
  options.use_null_device = true;
  options.output_folder = output_folder;
  options.settings = std::make_shared<QSettingsStore>(settings_file_);
  auto ports = OneFakePort();
  ports->ports.push_back({"(JACK) Kornmill MIDI in 2", "JACK", "Kornmill MIDI in 2", true});
  options.midi_ports = std::move(ports);
  return std::make_unique<MainWindow>(std::move(options));
}

void SettingsTest::Record(MainWindow& window, int blocks) {
  window.panel().file_button()->click();
  QVERIFY(window.output().recording());
  if (blocks > 0) {
    window.panel().play_button()->click();
    QTRY_VERIFY(window.output().config().blocks_written >= blocks);
    window.output().StopPlay();
  }
  window.panel().file_button()->click();
  QVERIFY(!window.output().recording());
}

QByteArray SettingsTest::Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SettingsTest::takesAreNeverOverwrittenEvenAfterACrash() {
  // Takes of an earlier run and no stored counter: numbering goes on after them.
  const QStringList earlier = {"sifter01.wav", "sifter07.wav", "sifter03.1.wav"};
  for (const QString& name : earlier) {
    QFile f(OutFile(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("earlier take");
  }
  FakeDialogs first;
  auto window = Start(first, out_->path().toStdString());
  Record(*window, 10);
  window.reset();  // a crash: no exit, so the settings were not written at exit
  const QByteArray take = Bytes(OutFile(QStringLiteral("sifter08.wav")));
  QVERIFY(take.size() > 44 + 10 * 256 * 2 * 2 - 1);
  // The counter was stored when it moved on: the next run goes on from it, even when File is
  // pressed without playing (which makes an empty file).
  FakeDialogs second;
  window = Start(second, out_->path().toStdString());
  QVERIFY(window->settings().file_counter_read());
  QCOMPARE(window->output().config().file_counter, 8);
  Record(*window, 0);
  window->OnMenuCommand(kCmdExit);
  window.reset();
  QCOMPARE(Bytes(OutFile(QStringLiteral("sifter08.wav"))), take);
  QCOMPARE(Bytes(OutFile(QStringLiteral("sifter09.wav"))).size(), 44);
  for (const QString& name : earlier) QCOMPARE(Bytes(OutFile(name)), QByteArray("earlier take"));
  QCOMPARE(QDir(out_->path()).entryList(QDir::Files).size(), 5);
  QVERIFY(second.boxes.empty());
}

void SettingsTest::ChangeEveryChoice(MainWindow& window) {
  window.OnMenuCommand(kCmdSoundfileFolder);
  for (int id : {kCmdWrite24Bit, kCmdNumberSoundfiles, kCmdSoftStop, kCmdResetLoopOnPlay,
                 kCmdOneFilePerStream, kCmdController14Bit, kCmdMidiProgramChange}) {
    window.OnMenuCommand(id);
  }
  window.sound_view().Open();
  // What the In/Out Options dialog's pages choose.
  OutputConfig& c = window.output().config();
  c.selected_device = kJackDevice;
  c.frames_per_block = 1024;
  c.sample_rate = 48000;
  c.stereo = 0;
  c.render_threads = 2;
  MidiConfig& m = window.midi().input().config();
  m.device = 1;
  m.channel = 5;
  m.move_sliders = false;
  m.response[1] = kResponseRow;
}

void SettingsTest::choicesSurviveExitAndRestart() {
  FakeDialogs first;
  first.folder = out_->path();
  auto window = Start(first);
  ChangeEveryChoice(*window);
  window->OnMenuCommand(kCmdExit);
  window.reset();
  // The device keeps its host API bits in "Selected devices".
  StoredSettings stored;
  QSettingsStore store(settings_file_);
  QVERIFY(ReadSettings(store, stored).error.empty());
  QCOMPARE(stored.output_device, kJackDevice);

  FakeDialogs second;
  window = Start(second);
  const OutputConfig& c = window->output().config();
  QCOMPARE(QString::fromStdString(window->output().output_folder()), out_->path());
  QVERIFY(c.sample_width == 3 && !c.numbered_files && !c.soft_stop && !c.reset_loop);
  QVERIFY(c.one_file_per_stream && !c.stereo);
  QCOMPARE(c.frames_per_block, 1024);
  QCOMPARE(c.sample_rate, 48000);
  QCOMPARE(window->engine().render_threads(), 2);
  const MidiConfig& m = window->midi().config();
  QCOMPARE(m.device, 1);
  QCOMPARE(m.channel, 5);
  QVERIFY(!m.move_sliders && m.monitor && m.relative_fine && !m.program_change);
  QCOMPARE(m.response[0], kStoredNoteResponse & ~kProgramChangeBit);
  QCOMPARE(m.response[1], kResponseRow);
  QVERIFY(window->sound_view().open());
  // The folder chooser starts where it last chose.
  window->OnMenuCommand(kCmdSoundfileFolder);
  QCOMPARE(second.folder_requests.at(0), QStringLiteral("Select Soundfile Folder|") + out_->path());
  QVERIFY(second.boxes.empty());
}

void SettingsTest::damagedSettingsWarnAndTheProgramRuns() {
  QVERIFY(QDir().mkpath(config_->path() + QStringLiteral("/Klangforge")));
  const QByteArray damaged = "[General]\nVersion=x\nSample%20rate=44100\n\xff\xfe garbage\n";
  QFile file(QString::fromStdString(settings_file_));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(damaged);
  file.close();
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  QCOMPARE(dialogs.boxes.size(), std::size_t(1));
  QCOMPARE(dialogs.boxes[0].title, QStringLiteral("Kornmill Warning!"));
  QCOMPARE(dialogs.boxes[0].text,
           QStringLiteral("Could not read the settings file - please review program settings\n\n") +
               QString::fromStdString(settings_file_) + QStringLiteral(": it is not UTF-8 text"));
  QCOMPARE(window->output().config().sample_rate, 44100);  // what could be read
}

void SettingsTest::aFolderInPlaceOfTheSettingsFile() {
  QVERIFY(QDir().mkpath(QString::fromStdString(settings_file_)));
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  QCOMPARE(dialogs.boxes.size(), std::size_t(1));
  QVERIFY(dialogs.boxes[0].text.contains(QStringLiteral("this is not a file")));
  Record(*window, 0);  // numbering cannot be stored, recording goes on
  QVERIFY(QFile::exists(OutFile(QStringLiteral("sifter01.wav"))));
  window->OnMenuCommand(kCmdExit);
  QVERIFY(window->ended());
  QVERIFY(QFileInfo(QString::fromStdString(settings_file_)).isDir());
}

void SettingsTest::recentSoundfilesMenuLoadsAndRemembers() {
  const QString a = Sox(out_->path(), QStringLiteral("a&b.wav"), 1, 0.1);
  const QString b = Sox(out_->path(), QStringLiteral("second.wav"), 1, 0.1);
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  QMenu* recent = window->menus().recent_files_menu();
  for (const QString& path : {a, b}) {
    dialogs.soundfile = path;
    window->OnMenuCommand(kCmdLoadSoundfile);
    QTRY_COMPARE(window->settings().recent_files().count(), path == a ? 1 : 2);
  }
  emit recent->aboutToShow();
  QVERIFY(recent->menuAction()->isEnabled());
  const QList<QAction*> items = recent->actions();
  QCOMPARE(items.size(), 2);
  QCOMPARE(items[0]->statusTip(), b);  // the newest first
  QCOMPARE(items[1]->text(), QString(a).replace(QStringLiteral("&"), QStringLiteral("&&")));
  QCOMPARE(items[1]->data().toInt(), 22222);
  // Highlighting shows the full path in status part 1.
  emit window->menus().recent_files_menu()->hovered(items[1]);
  QCOMPARE(window->panel().status_bar()->text(1), a);
  // Choosing an entry loads it; an entry whose file is gone does nothing.
  items[1]->trigger();
  QTRY_COMPARE(window->windowTitle(), QStringLiteral("a&b.wav - Sifter chops it"));
  QVERIFY(QFile::remove(b));
  window->OnMenuCommand(22223);
  QCoreApplication::processEvents();
  QCOMPARE(window->windowTitle(), QStringLiteral("a&b.wav - Sifter chops it"));
  window->OnMenuCommand(kCmdExit);
  window.reset();
  // Stored at shut-down and loaded at the next start, without the missing file.
  window = Start(dialogs, out_->path().toStdString());
  QCOMPARE(window->settings().recent_files().count(), 1);
  window->menus().UpdateMenuState();
  QCOMPARE(window->menus().recent_files_menu()->actions().at(0)->statusTip(), a);
}

KORNMILL_QT_TEST(SettingsTest);

}  // namespace kornmill::testing

#include "settings_test.moc"
