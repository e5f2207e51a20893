// Takes docs/main-window.png: the main window as a musician sees it, playing, grabbed from the X
// server.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/control_view.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
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
  int result = 1;
  QTimer::singleShot(1500, &app, [&] {
    const QPixmap shot = window.screen()->grabWindow(
        0, window.x(), window.y(), window.frameGeometry().width(), window.frameGeometry().height());
    result = shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    window.Exit();
    app.quit();
  });
  app.exec();
  return result;
}
