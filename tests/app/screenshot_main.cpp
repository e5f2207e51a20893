// Takes the screenshots of the docs: the main window as a musician sees it, playing; with
// --gesture the Gesture Window over it; with --sound-view FILE the Sound View of FILE with
// dense grains playing; grabbed from the X server.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "../midi/fake_midi_ports.h"
#include "app/control_view.h"
#include "app/gesture_host.h"
#include "app/gesture_pad.h"
#include "app/gesture_window.h"
#include "app/main_window.h"
#include "app/patch_view.h"
#include "app/sound_view_host.h"
#include "app/sound_view_window.h"
#include "controls/control_table.h"
#include "controls/stream.h"
#include "patches/gesture_mixer.h"
#include "resources/ids.h"

namespace {

// Four patches in bank A and the Gesture Window with its marker moved off the start.
void OpenGestureWindow(kornmill::MainWindow& window) {
  using namespace kornmill;
  Stream& s = window.streams().current();
  const int freqs[] = {12000, 3000, 10347, 16000};
  const int pitches[] = {-2000, 0, 5000, -6144};
  for (int slot = 1; slot <= 4; ++slot) {
    s.controls[kGrainFreq].target = freqs[slot - 1];
    s.controls[kPitch].target = pitches[slot - 1];
    window.patches().ClickSlot(slot, kModShift, 0);
  }
  window.patches().banks().bank(0).set_name("Clouds");
  window.patches().MarkPatchButton(0);
  window.OnMenuCommand(kCmdGestureWindow);
  GestureWindow* gesture = window.gesture().window();
  const GesturePadGeometry& rules = gesture->pad()->rules();
  window.gesture().mixer().MoveMarker(
      rules.MarkerAt({rules.pad.right * 2 / 3, rules.pad.bottom / 3}));
}

// Loads `path`, then dense grains over a quarter of it, and the Sound View under the window.
bool OpenSoundView(kornmill::MainWindow& window, const char* path, QApplication& app) {
  using namespace kornmill;
  window.LoadSoundfile(QString::fromLocal8Bit(path));
  for (int i = 0; i < 200 && window.streams().current().sound->builtin; ++i) {
    app.processEvents(QEventLoop::AllEvents, 20);
  }
  if (window.streams().current().sound->builtin) return false;
  const struct {
    int control;
    int value;
  } moves[] = {{kLoopStart, 300},   {kLoopLength, 900}, {kRate, 400},       {kGrainFreq, 14500},
               {kGrainLength, 600}, {kPitchRnd, 60},    {kLoopStartRnd, 40}, {kPanRnd, 200},
               {kAmp, 100}};
  for (const auto& m : moves) {
    window.controls().OnControlScroll(ScrollAction::kThumbTrack, kIdFirstControl + m.control,
                                      PositionFromValue(kControlTable[m.control], m.value), {});
  }
  window.OnMenuCommand(kCmdSoundView);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool gesture = argc == 3 && std::strcmp(argv[2], "--gesture") == 0;
  const bool sound_view = argc == 4 && std::strcmp(argv[2], "--sound-view") == 0;
  if (argc != 2 && !gesture && !sound_view) {
    std::fprintf(stderr, "usage: %s <output.png> [--gesture | --sound-view SOUNDFILE]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  kornmill::MainWindowOptions options;
  options.use_null_device = true;
  // The own MIDI port as on a desktop with a sequencer: an X server without
  // one would show a warning box first and the picture would wait for it.
  options.midi_ports = kornmill::testing::OneFakePort();
  kornmill::MainWindow window(std::move(options));
  window.move(0, 0);
  window.show();
  window.output().TogglePlay(1);
  // A few moves of the grain frequency, as a hand on the mouse would make them (after Play,
  // so that the status bar describes the control, not the silent null output).
  for (int i = 0; i < 40; ++i) {
    window.controls().OnControlScroll(kornmill::ScrollAction::kLineDown, 1507, 0, {});
  }
  if (gesture) OpenGestureWindow(window);
  if (sound_view && !OpenSoundView(window, argv[3], app)) {
    std::fprintf(stderr, "%s could not be loaded\n", argv[3]);
    window.Exit();
    return 1;
  }
  int result = 1;
  QTimer::singleShot(sound_view ? 3000 : 1500, &app, [&] {
    // The Sound View stands under the main window: both are in the picture.
    QRect frame = window.frameGeometry();
    if (sound_view) frame = frame.united(window.sound_view().window()->frameGeometry());
    const QPixmap shot =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    result = shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    // The patches stored for the picture are not the user's: no exit that saves them.
    if (gesture) {
      window.ShutDown();
    } else {
      window.Exit();
    }
    app.quit();
  });
  app.exec();
  return result;
}
