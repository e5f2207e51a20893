// Menu items, their marks and greying while idle, playing and recording, and their help texts:
// UpdateMenuState's rules on a menu bar fed a state the test sets, and the window's state and
// commands on the window's own menus.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/menu_bar.h"
#include "engine/engine.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_test.h"

namespace kornmill::testing {

// A menu bar of its own that reads the state the test sets and records the commands.
struct FedMenus {
  FedMenus() { state.interpolation_id = kCmdSpline; }
  QAction* Item(int id) { return menus->action(id); }
  void Update() { menus->UpdateMenuState(); }

  QMainWindow window;
  MenuState state;
  std::vector<int> commands;
  MenuBar* menus = new MenuBar(  // owned by the window
      window.menuBar(), new StatusBar(&window), [this] { return state; },
      [this](int id) { commands.push_back(id); });
};

class MenuTest : public WindowTest {
  Q_OBJECT

 private slots:
  void playingAndRecordingGreyTheOptions();
  void midiItemsFollowTheirFlags();
  void menusHoldTheCommandsOfWhatExists();
  void marksFollowTheWindowsState();
  void commandsReachTheirTargets();
  void highlightedItemShowsItsHelpText();

 private:
  QAction* Item(int id) { return f_->window->menus().action(id); }
  MenuBar& Menus() { return f_->window->menus(); }
  void Update() { Menus().UpdateMenuState(); }
};

void MenuTest::playingAndRecordingGreyTheOptions() {
  FedMenus fed;
  const struct {
    bool playing;
    bool recording;
    bool options;    // the option menus and the sound-card options
    bool numbering;  // "Number Soundfiles"
    bool response;   // the MIDI response dialog
  } rows[] = {{false, false, true, true, true},
              {true, false, false, true, false},
              {false, true, false, false, true}};
  for (const auto& r : rows) {
    fed.state.playing = r.playing;
    fed.state.recording = r.recording;
    fed.Update();
    for (QMenu* m : {fed.menus->output_options_menu(), fed.menus->grain_options_menu(),
                     fed.menus->interpolation_menu()}) {
      QCOMPARE(m->menuAction()->isEnabled(), r.options);
    }
    QCOMPARE(fed.Item(kCmdSoundcardOptions)->isEnabled(), r.options);
    QCOMPARE(fed.Item(kCmdNumberSoundfiles)->isEnabled(), r.numbering);
    QCOMPARE(fed.Item(kCmdMidiResponse)->isEnabled(), r.response);
    // The sound source and exit stay available.
    QVERIFY(fed.Item(kCmdLoadSoundfile)->isEnabled() && fed.Item(kCmdExit)->isEnabled());
  }
  // The gesture window's command once the window exists, playing or not.
  QVERIFY(!fed.Item(kCmdGestureWindow)->isEnabled());
  fed.state.gesture_window_available = true;
  fed.Update();
  QVERIFY(fed.Item(kCmdGestureWindow)->isEnabled());
}

void MenuTest::midiItemsFollowTheirFlags() {
  FedMenus fed;
  // 14-bit mode is checked while relative fine controllers are off.
  for (bool relative : {false, true}) {
    for (bool program : {false, true}) {
      fed.state.relative_fine = relative;
      fed.state.program_change = program;
      fed.Update();
      QCOMPARE(fed.Item(kCmdController14Bit)->isChecked(), !relative);
      QCOMPARE(fed.Item(kCmdMidiProgramChange)->isChecked(), program);
      QVERIFY(fed.Item(kCmdController14Bit)->isEnabled());
      QVERIFY(fed.Item(kCmdMidiProgramChange)->isEnabled());
    }
  }
  fed.Item(kCmdController14Bit)->trigger();
  fed.Item(kCmdMidiProgramChange)->trigger();
  QCOMPARE(fed.commands, (std::vector<int>{kCmdController14Bit, kCmdMidiProgramChange}));
}

void MenuTest::menusHoldTheCommandsOfWhatExists() {
  const QList<QAction*> top = f_->window->menuBar()->actions();
  QStringList titles;
  for (QAction* a : top) titles << a->text();
  QCOMPARE(titles, QStringList({"F&ile", "Co&mmand", "Output Sound&file Options", "&MIDI Options",
                                "&Stream", "He&lp"}));
  // TrimMenus took "&Live Input", "New &Login..." and one of the two separators.
  QStringList file;
  for (QAction* a : top[0]->menu()->actions()) file << (a->isSeparator() ? "-" : a->text());
  QCOMPARE(file, QStringList({"Load &Wav Soundfile...", "Use &Test Tone", "&Recent Soundfiles", "-",
                              "E&xit\tEsc"}));
  QVERIFY(!Item(kCmdLiveInput));
  QStringList command;
  for (QAction* a : top[1]->menu()->actions()) command << a->text();
  QCOMPARE(command, QStringList({"Open &Gesture Window", "Sound &View", "MIDI &Response Dialog...",
                                 "&Soundcard I/O Options..."}));
  QCOMPARE(Item(kCmdController14Bit)->text(), QStringLiteral("Controller &14-bit Mode"));
  QCOMPARE(Item(kCmdMidiProgramChange)->text(), QStringLiteral("Use MIDI &Program Change"));
  QCOMPARE(Item(kCmdHelp)->text(), QStringLiteral("&Help\tF1"));
  QCOMPARE(Item(kCmdWrite32Bit)->text(), QStringLiteral("Write &32-bit (float) Soundfiles"));
  QCOMPARE(Menus().grain_options_menu()->title(), QStringLiteral("&Grain Generation Options"));
  // The window cannot be maximized: its layout is fixed.
  QVERIFY(!(f_->window->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void MenuTest::marksFollowTheWindowsState() {
  Update();
  // The sine is mono: no channel choice.
  QVERIFY(!Menus().stereo_input_menu()->menuAction()->isEnabled());
  // The test tone is the source: marked and greyed; loading a file stays available.
  QVERIFY(Item(kCmdTestTone)->isChecked() && !Item(kCmdTestTone)->isEnabled());
  QVERIFY(!Item(kCmdLoadSoundfile)->isChecked());
  QVERIFY(Item(kCmdSpline)->isChecked());
  const OutputConfig& c = f_->window->output().config();
  QCOMPARE(Item(kCmdNumberSoundfiles)->isChecked(), bool(c.numbered_files));
  QVERIFY(Item(kCmdWrite16Bit)->isChecked());
  QCOMPARE(Item(kCmdResetLoopOnPlay)->isChecked(), bool(c.reset_loop));
  QCOMPARE(Item(kCmdSoftStop)->isChecked(), bool(c.soft_stop));
  QVERIFY(!Item(kCmdHardSync)->isChecked());
  QVERIFY(!Item(kCmdOneFilePerStream)->isChecked());
  QVERIFY(Item(kCmdGestureWindow)->isEnabled());
  // MIDI with its stored choices: 14-bit fine controllers, program changes on.
  QVERIFY(Item(kCmdController14Bit)->isChecked());
  QVERIFY(Item(kCmdMidiProgramChange)->isChecked());
  // No recent soundfiles: the submenu is greyed.
  QVERIFY(!Menus().recent_files_menu()->menuAction()->isEnabled());
  // Playing and recording are what the output says.
  QVERIFY(f_->window->output().StartPlay(1));
  Update();
  QVERIFY(!Menus().interpolation_menu()->menuAction()->isEnabled());
  QVERIFY(Item(kCmdNumberSoundfiles)->isEnabled());
  f_->window->output().StopPlay();
  f_->window->output().ToggleRecord();
  Update();
  QVERIFY(!Item(kCmdNumberSoundfiles)->isEnabled());
  f_->window->output().ToggleRecord();
}

void MenuTest::commandsReachTheirTargets() {
  OutputConfig& c = f_->window->output().config();
  const int reset = c.reset_loop;
  Item(kCmdHardSync)->trigger();
  Item(kCmdResetLoopOnPlay)->trigger();
  Item(kCmdWrite24Bit)->trigger();
  Item(kCmdLinear)->trigger();
  Item(kCmdOneFilePerStream)->trigger();
  QCOMPARE(f_->Current().hard_sync, 1);
  QCOMPARE(c.reset_loop, reset ? 0 : 1);
  QCOMPARE(c.sample_width, 3);
  QCOMPARE(c.one_file_per_stream, 1);
  QVERIFY(f_->window->engine().interpolation() == Interpolation::kLinear);
  Update();
  QVERIFY(Item(kCmdHardSync)->isChecked());
  QCOMPARE(Item(kCmdResetLoopOnPlay)->isChecked(), !reset);
  QVERIFY(Item(kCmdWrite24Bit)->isChecked() && !Item(kCmdWrite16Bit)->isChecked());
  QVERIFY(Item(kCmdLinear)->isChecked() && !Item(kCmdSpline)->isChecked());
  QVERIFY(Item(kCmdOneFilePerStream)->isChecked());
  // The stereo key's command and the About box.
  f_->window->OnMenuCommand(kCmdToggleStereo);
  QCOMPARE(c.stereo, 0);
  QCOMPARE(f_->window->engine().channels(), 1);
  Item(kCmdAbout)->trigger();
  QCOMPARE(f_->dialogs.about_count, 1);
}

void MenuTest::highlightedItemShowsItsHelpText() {
  StatusBar* status = f_->window->panel().status_bar();
  status->SetText(2, QStringLiteral("1:1.0000"));
  Item(kCmdLoadSoundfile)->hover();
  QCOMPARE(status->text(1), QStringLiteral("Load a 16-bit WAV soundfile into memory for chopping"));
  QVERIFY(status->text(2).isEmpty());
  // Items without a help text leave part 1 empty.
  Item(kCmdCubic)->hover();
  QVERIFY(status->text(1).isEmpty());
}

KORNMILL_QT_TEST(MenuTest);

}  // namespace kornmill::testing

#include "menu_test.moc"
