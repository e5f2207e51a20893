// Takes the screenshots of the docs: the main window as a musician sees it, playing, and with
// --gesture the Gesture Window over it, grabbed from the X server.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/control_view.h"
#include "app/gesture_host.h"
#include "app/gesture_pad.h"
#include "app/gesture_window.h"
#include "app/main_window.h"
#include "app/patch_view.h"
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

}  // namespace

int main(int argc, char** argv) {
  const bool gesture = argc == 3 && std::strcmp(argv[2], "--gesture") == 0;
  if (argc != 2 && !gesture) {
    std::fprintf(stderr, "usage: %s <output.png> [--gesture]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  kornmill::MainWindowOptions options;
  options.use_null_device = true;
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
  int result = 1;
  QTimer::singleShot(1500, &app, [&] {
    const QPixmap shot = window.screen()->grabWindow(
        0, window.x(), window.y(), window.frameGeometry().width(), window.frameGeometry().height());
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
