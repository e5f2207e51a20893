// UpdateMenuState's rules for each program state, on a menu bar fed a state the test sets.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/menu_bar.h"
#include "app/status_bar.h"
#include "resources/ids.h"
#include "test_registry.h"

namespace kornmill::testing {

class MenuStateTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void playingAndRecordingGreyTheOptions();
  void midiItemsFollowTheirFlags();
  void twoChannelSoundOffersItsChannels();
  void liveInputIsTheGreyedSourceWhenChosen();

 private:
  QAction* Item(int id) { return menus_->action(id); }
  void Update() { menus_->UpdateMenuState(); }

  std::unique_ptr<QMainWindow> window_;
  MenuBar* menus_ = nullptr;
  MenuState state_;
  std::vector<int> commands_;
};

void MenuStateTest::init() {
  window_ = std::make_unique<QMainWindow>();
  state_ = MenuState{};
  state_.interpolation_id = kCmdSpline;
  commands_.clear();
  menus_ = new MenuBar(
      window_->menuBar(), new StatusBar(window_.get()), [this] { return state_; },
      [this](int id) { commands_.push_back(id); });
}

void MenuStateTest::cleanup() {
  window_.reset();
}

void MenuStateTest::playingAndRecordingGreyTheOptions() {
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
    state_.playing = r.playing;
    state_.recording = r.recording;
    Update();
    for (QMenu* m : {menus_->output_options_menu(), menus_->grain_options_menu(),
                     menus_->interpolation_menu()}) {
      QCOMPARE(m->menuAction()->isEnabled(), r.options);
    }
    QCOMPARE(Item(kCmdSoundcardOptions)->isEnabled(), r.options);
    QCOMPARE(Item(kCmdNumberSoundfiles)->isEnabled(), r.numbering);
    QCOMPARE(Item(kCmdMidiResponse)->isEnabled(), r.response);
    // The sound source and exit stay available.
    QVERIFY(Item(kCmdLoadSoundfile)->isEnabled() && Item(kCmdExit)->isEnabled());
  }
  // The gesture window's command once the window exists, playing or not.
  QVERIFY(!Item(kCmdGestureWindow)->isEnabled());
  state_.gesture_window_available = true;
  Update();
  QVERIFY(Item(kCmdGestureWindow)->isEnabled());
}

void MenuStateTest::midiItemsFollowTheirFlags() {
  // 14-bit mode is checked while relative fine controllers are off.
  for (bool relative : {false, true}) {
    for (bool program : {false, true}) {
      state_.relative_fine = relative;
      state_.program_change = program;
      Update();
      QCOMPARE(Item(kCmdController14Bit)->isChecked(), !relative);
      QCOMPARE(Item(kCmdMidiProgramChange)->isChecked(), program);
      QVERIFY(Item(kCmdController14Bit)->isEnabled());
      QVERIFY(Item(kCmdMidiProgramChange)->isEnabled());
    }
  }
  Item(kCmdController14Bit)->trigger();
  Item(kCmdMidiProgramChange)->trigger();
  QCOMPARE(commands_, (std::vector<int>{kCmdController14Bit, kCmdMidiProgramChange}));
}

void MenuStateTest::twoChannelSoundOffersItsChannels() {
  Update();
  QVERIFY(!menus_->stereo_input_menu()->menuAction()->isEnabled());
  state_.stereo_sound = true;
  state_.test_tone = false;
  state_.input_mask = 2;
  Update();
  QVERIFY(menus_->stereo_input_menu()->menuAction()->isEnabled());
  QVERIFY(!Item(kCmdLeftChannel)->isChecked());
  QVERIFY(Item(kCmdRightChannel)->isChecked());
  state_.input_mask = 3;
  Update();
  QVERIFY(Item(kCmdLeftChannel)->isChecked() && Item(kCmdRightChannel)->isChecked());
  // A file is the source: marked and still enabled, the test tone enabled.
  QVERIFY(Item(kCmdLoadSoundfile)->isChecked() && Item(kCmdLoadSoundfile)->isEnabled());
  QVERIFY(!Item(kCmdTestTone)->isChecked() && Item(kCmdTestTone)->isEnabled());
  // While playing, "&Stereo Input" stays available for a two-channel sound.
  state_.playing = true;
  Update();
  QVERIFY(menus_->stereo_input_menu()->menuAction()->isEnabled());
}

void MenuStateTest::liveInputIsTheGreyedSourceWhenChosen() {
  // Before TrimMenus the item is there; the rule marks and greys it.
  state_.live_input = true;
  Update();
  QVERIFY(Item(kCmdLiveInput)->isChecked() && !Item(kCmdLiveInput)->isEnabled());
  QVERIFY(!Item(kCmdTestTone)->isChecked() && Item(kCmdTestTone)->isEnabled());
  QVERIFY(!Item(kCmdLoadSoundfile)->isChecked() && Item(kCmdLoadSoundfile)->isEnabled());
  menus_->TrimMenus();
  QVERIFY(!Item(kCmdLiveInput));
  Update();  // the rule skips what was trimmed
}

KORNMILL_QT_TEST(MenuStateTest);

}  // namespace kornmill::testing

#include "menu_state_test.moc"
