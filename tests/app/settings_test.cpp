// What is remembered between runs: takes never overwritten, settings, recent files, choosers.
#include <sndfile.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "app/choosers.h"
#include "app/dialog_panel.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/midi_glue.h"
#include "app/patch_view.h"
#include "app/settings_glue.h"
#include "app/sound_view_host.h"
#include "app/status_bar.h"
#include "engine/engine.h"
#include "../midi/fake_midi_ports.h"
#include "fake_dialogs.h"
#include "resources/ids.h"
#include "settings/memory_store.h"
#include "settings/qsettings_store.h"
#include "settings/settings_io.h"
#include "test_registry.h"

namespace kornmill::testing {

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void twoRunsInARowEachRecordOnce();
  void aCrashAfterARecordingKeepsTheCounter();
  void withoutAStoredCounterNumberingGoesOnAfterTheFiles();
  void settingsSurviveExitAndRestart();
  void soundCardAndMidiChoicesSurviveARestart();
  void theSoundViewComesBackWhenItWasOpen();
  void damagedSettingsWarnAndTheProgramRuns();
  void aFolderInPlaceOfTheSettingsFile();
  void recentSoundfilesMenuLoadsAndRemembers();
  void choosersByKind();

 private:
  // A window on the null device with the settings file of this test.
  std::unique_ptr<MainWindow> Start(FakeDialogs& dialogs, const std::string& output_folder = {});
  // Records with the ">>> File" button, playing `blocks` blocks in between (none: not playing).
  void Record(MainWindow& window, int blocks);
  QString OutFile(const QString& name) const { return QDir(out_->path()).filePath(name); }
  static QByteArray Bytes(const QString& path);
  // A short mono WAV at `path`.
  static bool WriteSound(const QString& path);

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

bool SettingsTest::WriteSound(const QString& path) {
  SF_INFO info{};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<short> samples(2205, 1000);
  sf_write_short(f, samples.data(), sf_count_t(samples.size()));
  return sf_close(f) == 0;
}

void SettingsTest::twoRunsInARowEachRecordOnce() {
  FakeDialogs first;
  first.folder = out_->path();
  auto window = Start(first);
  window->OnMenuCommand(kCmdSoundfileFolder);  // a folder of the user's choice
  Record(*window, 10);
  window->OnMenuCommand(kCmdExit);
  const QByteArray take = Bytes(OutFile(QStringLiteral("sifter01.wav")));
  QVERIFY(take.size() > 44 + 10 * 256 * 2 * 2 - 1);
  window.reset();

  // The next run starts where the first ended, even when File is pressed
  // without playing (which makes an empty file).
  FakeDialogs second;
  window = Start(second);
  QCOMPARE(QString::fromStdString(window->output().output_folder()), out_->path());
  QCOMPARE(window->output().config().file_counter, 1);
  Record(*window, 0);
  window->OnMenuCommand(kCmdExit);
  window.reset();
  QCOMPARE(Bytes(OutFile(QStringLiteral("sifter01.wav"))), take);
  QCOMPARE(Bytes(OutFile(QStringLiteral("sifter02.wav"))).size(), 44);
  QCOMPARE(QDir(out_->path()).entryList(QDir::Files).size(), 2);
  QVERIFY(second.boxes.empty());
}

void SettingsTest::aCrashAfterARecordingKeepsTheCounter() {
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  Record(*window, 4);
  window.reset();  // no exit command: the settings were not written at exit
  const QByteArray take = Bytes(OutFile(QStringLiteral("sifter01.wav")));
  // Only the counter was stored, when it moved on; the folder is given again.
  window = Start(dialogs, out_->path().toStdString());
  QVERIFY(window->settings().file_counter_read());
  QCOMPARE(window->output().config().file_counter, 1);
  Record(*window, 4);
  window.reset();
  QCOMPARE(Bytes(OutFile(QStringLiteral("sifter01.wav"))), take);
  QVERIFY(QFile::exists(OutFile(QStringLiteral("sifter02.wav"))));
}

void SettingsTest::withoutAStoredCounterNumberingGoesOnAfterTheFiles() {
  for (const char* name : {"sifter01.wav", "sifter07.wav", "sifter03.1.wav"}) {
    QFile f(OutFile(QString::fromLatin1(name)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("earlier take");
  }
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  Record(*window, 0);
  QVERIFY(QFile::exists(OutFile(QStringLiteral("sifter08.wav"))));
  for (const char* name : {"sifter01.wav", "sifter07.wav", "sifter03.1.wav"}) {
    QCOMPARE(Bytes(OutFile(QString::fromLatin1(name))), QByteArray("earlier take"));
  }
}

void SettingsTest::settingsSurviveExitAndRestart() {
  FakeDialogs first;
  first.folder = out_->path();
  auto window = Start(first);
  window->OnMenuCommand(kCmdSoundfileFolder);
  for (int id : {kCmdWrite24Bit, kCmdNumberSoundfiles, kCmdSoftStop, kCmdResetLoopOnPlay,
                 kCmdOneFilePerStream}) {
    window->OnMenuCommand(id);
  }
  window->output().config().render_threads = 2;  // as the options dialog sets it
  window->OnMenuCommand(kCmdExit);
  window.reset();

  FakeDialogs second;
  window = Start(second);
  const OutputConfig& c = window->output().config();
  QCOMPARE(QString::fromStdString(window->output().output_folder()), out_->path());
  QCOMPARE(c.sample_width, 3);
  QCOMPARE(c.numbered_files, 0);
  QCOMPARE(c.soft_stop, 0);
  QCOMPARE(c.reset_loop, 0);
  QCOMPARE(c.one_file_per_stream, 1);
  QCOMPARE(c.stereo, 1);
  QCOMPARE(window->engine().render_threads(), 2);
  // The folder chooser starts where it last chose.
  window->OnMenuCommand(kCmdSoundfileFolder);
  QCOMPARE(second.folder_requests.at(0), QStringLiteral("Select Soundfile Folder|") + out_->path());
  // 16-bit output with one file per stream stays per stream (its own bit).
  window->OnMenuCommand(kCmdWrite16Bit);
  window->OnMenuCommand(kCmdOneFilePerStream);
  window->OnMenuCommand(kCmdExit);
  window = Start(second);
  QCOMPARE(window->output().config().sample_width, 2);
  QCOMPARE(window->output().config().one_file_per_stream, 0);
}

void SettingsTest::theSoundViewComesBackWhenItWasOpen() {
  FakeDialogs first;
  auto window = Start(first, out_->path().toStdString());
  QVERIFY(!window->sound_view().open());
  window->sound_view().Open();
  window->OnMenuCommand(kCmdExit);
  window.reset();
  FakeDialogs second;
  window = Start(second, out_->path().toStdString());
  QVERIFY(window->sound_view().open());
  window->sound_view().Close();
  window->OnMenuCommand(kCmdExit);
  window.reset();
  FakeDialogs third;
  window = Start(third, out_->path().toStdString());
  QVERIFY(!window->sound_view().open());
}

void SettingsTest::soundCardAndMidiChoicesSurviveARestart() {
  FakeDialogs first;
  auto window = Start(first, out_->path().toStdString());
  // What the In/Out Options dialog's pages and the MIDI Options menu choose.
  OutputConfig& c = window->output().config();
  const int32_t jack_device = MakeRtAudioSelection(4, 2);  // JACK (host API 4), device 2
  c.selected_device = jack_device;
  c.frames_per_block = 1024;
  c.sample_rate = 48000;
  c.stereo = 0;
  MidiConfig& m = window->midi().input().config();
  const uint32_t row = PackRow({90, 10, 3, kResponseSources[2].flags, 2});
  m.device = 1;
  m.channel = 5;
  m.move_sliders = false;
  m.response[1] = row;
  window->OnMenuCommand(kCmdController14Bit);    // fine controllers step relatively
  window->OnMenuCommand(kCmdMidiProgramChange);  // program changes off
  window->OnMenuCommand(kCmdExit);
  window.reset();

  // The device keeps its host API bits in "Selected devices".
  QSettingsStore store(settings_file_);
  StoredSettings stored;
  QVERIFY(ReadSettings(store, stored).error.empty());
  QCOMPARE(stored.output_device, jack_device);
  QCOMPARE(stored.midi_device, 1);

  FakeDialogs second;
  window = Start(second, out_->path().toStdString());
  QCOMPARE(window->output().config().frames_per_block, 1024);
  QCOMPARE(window->output().config().sample_rate, 48000);
  QCOMPARE(window->output().config().stereo, 0);
  const MidiConfig& n = window->midi().config();
  QCOMPARE(n.device, 1);
  QCOMPARE(n.channel, 5);
  QVERIFY(!n.move_sliders && n.monitor && n.relative_fine);
  QVERIFY(!n.program_change);
  QCOMPARE(n.response[0], kStoredNoteResponse & ~kProgramChangeBit);
  QCOMPARE(n.response[1], row);
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
  window->OnMenuCommand(kCmdExit);
  QCOMPARE(Bytes(QString::fromStdString(settings_file_) + QStringLiteral(".damaged")), damaged);
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
  const QString a = OutFile(QStringLiteral("a&b.wav"));
  const QString b = OutFile(QStringLiteral("second.wav"));
  QVERIFY(WriteSound(a) && WriteSound(b));
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  QMenu* recent = window->menus().recent_files_menu();
  QCOMPARE(recent->title(), QStringLiteral("&Recent Soundfiles"));
  window->menus().UpdateMenuState();  // as when a menu opens
  QVERIFY(!recent->menuAction()->isEnabled());  // greyed while empty
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
  QCOMPARE(items[0]->data().toInt(), 22223);
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

void SettingsTest::choosersByKind() {
  FakeDialogs dialogs;
  auto window = Start(dialogs, out_->path().toStdString());
  dialogs.soundfile = QStringLiteral("/chosen.kpb");
  dialogs.bank_file = dialogs.soundfile;
  QCOMPARE(window->choosers().ChooseFile(FileKind::kSoundfile), QStringLiteral("/chosen.kpb"));
  QCOMPARE(window->choosers().ChooseFile(FileKind::kSavePatchBank), QStringLiteral("/chosen.kpb"));
  QCOMPARE(dialogs.file_choices.size(), std::size_t(2));
  const FileChoice& sound = dialogs.file_choices[0];
  QCOMPARE(sound.title, QStringLiteral("Open Sound file File"));
  QCOMPARE(sound.mode, ChooserMode::kOpen);
  QCOMPARE(sound.folder, QString::fromStdString(window->source_folder()));
  QVERIFY(sound.filters.at(0).endsWith(
      QStringLiteral(" (*.wav *.aif *.aiff *.aifc *.flac *.ogg *.opus *.mp3)")));
  QCOMPARE(sound.filters.last(), QStringLiteral("All files (*)"));
  const FileChoice& bank = dialogs.file_choices[1];
  QCOMPARE(bank.title, QStringLiteral("Save Kornmill patch banks As"));
  QCOMPARE(bank.mode, ChooserMode::kSave);
  QCOMPARE(bank.folder, QString::fromStdString(window->patches().patch_folder()));
  QVERIFY(bank.folder.endsWith(QStringLiteral("/Kornmill/Patches/")));
  QCOMPARE(bank.default_suffix, QStringLiteral("kpb"));
  // The system's name for a file type describes the filter.
  QVERIFY(!Choosers::FileTypeName("wav").empty());
  QVERIFY(sound.filters.at(0).startsWith(QString::fromStdString(Choosers::FileTypeName("wav"))));
}

KORNMILL_QT_TEST(SettingsTest);

}  // namespace kornmill::testing

#include "settings_test.moc"
