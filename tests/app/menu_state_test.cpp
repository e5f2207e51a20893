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
  void midiItemsFollowTheirFlags();
  void responseDialogIsGreyedWhilePlaying();
  void twoChannelSoundOffersItsChannels();
  void liveInputIsTheGreyedSourceWhenChosen();
  void recentFilesFillTheSubmenu();
  void gestureWindowOnceItExists();

 private:
  QAction* Item(int id) { return menus_->action(id); }
  void Update() { menus_->UpdateMenuState(); }

  std::unique_ptr<QMainWindow> window_;
  StatusBar* status_ = nullptr;
  MenuBar* menus_ = nullptr;
  MenuState state_;
  std::vector<int> commands_;
};

void MenuStateTest::init() {
  window_ = std::make_unique<QMainWindow>();
  status_ = new StatusBar(window_.get());
  state_ = MenuState{};
  state_.interpolation_id = kCmdSpline;
  commands_.clear();
  menus_ = new MenuBar(
      window_->menuBar(), status_, [this] { return state_; },
      [this](int id) { commands_.push_back(id); });
}

void MenuStateTest::cleanup() {
  window_.reset();
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
      QVERIFY(Item(kCmdMidiResponse)->isEnabled());
    }
  }
  Item(kCmdController14Bit)->trigger();
  Item(kCmdMidiProgramChange)->trigger();
  QCOMPARE(commands_, (std::vector<int>{kCmdController14Bit, kCmdMidiProgramChange}));
}

void MenuStateTest::responseDialogIsGreyedWhilePlaying() {
  state_.playing = true;
  Update();
  QVERIFY(!Item(kCmdMidiResponse)->isEnabled());
  QVERIFY(!Item(kCmdSoundcardOptions)->isEnabled());
  // The gesture window and the soundfile chooser stay available.
  state_.gesture_window_available = true;
  Update();
  QVERIFY(Item(kCmdGestureWindow)->isEnabled());
  QVERIFY(Item(kCmdLoadSoundfile)->isEnabled());
  // Recording alone leaves the response dialog alone, not the sound-card options.
  state_.playing = false;
  state_.recording = true;
  Update();
  QVERIFY(Item(kCmdMidiResponse)->isEnabled());
  QVERIFY(!Item(kCmdSoundcardOptions)->isEnabled());
}

void MenuStateTest::twoChannelSoundOffersItsChannels() {
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

void MenuStateTest::recentFilesFillTheSubmenu() {
  QStringList files;
  menus_->set_recent_files_filler([&files](QMenu& menu) {
    menu.clear();
    for (int i = files.size() - 1; i >= 0; --i) {
      QAction* a = menu.addAction(files[i]);
      a->setData(kCmdFirstRecentFile + i);
    }
    return int(files.size());
  });
  Update();
  QVERIFY(!menus_->recent_files_menu()->menuAction()->isEnabled());
  files = {"/music/a.wav", "/music/b.aiff"};
  Update();
  QVERIFY(menus_->recent_files_menu()->menuAction()->isEnabled());
  const QList<QAction*> items = menus_->recent_files_menu()->actions();
  QCOMPARE(items.size(), 2);
  QCOMPARE(items[0]->text(), QStringLiteral("/music/b.aiff"));  // the newest first
  // Highlighting a recent soundfile shows its full path.
  items[1]->hover();
  QCOMPARE(status_->text(1), QStringLiteral("/music/a.wav"));
}

void MenuStateTest::gestureWindowOnceItExists() {
  Update();
  QVERIFY(!Item(kCmdGestureWindow)->isEnabled());
  state_.gesture_window_available = true;
  Update();
  QVERIFY(Item(kCmdGestureWindow)->isEnabled());
  Item(kCmdGestureWindow)->trigger();
  QCOMPARE(commands_, std::vector<int>{kCmdGestureWindow});
}

KORNMILL_QT_TEST(MenuStateTest);

}  // namespace kornmill::testing

#include "menu_state_test.moc"
