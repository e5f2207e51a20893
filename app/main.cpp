// The program's entry point: runs the main window until the exit command.
#include <QApplication>
#include <QIcon>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kornmill"));
  // The desktop entry kornmill.desktop and its icon name the windows.
  QApplication::setDesktopFileName(QStringLiteral("kornmill"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kornmill/kornmill.png")));
  int result = 0;
  {
    kornmill::MainWindow window;
    // A fatal error during start-up has been shown already.
    if (window.ended()) return 1;
    QObject::connect(&window, &kornmill::MainWindow::finished, &app, [&result](int r) {
      result = r;
      QApplication::exit(0);
    });
    window.show();
    app.exec();
  }
  // The main dialog's result is not the program's: a normal end returns 0.
  return result < 0 ? 1 : 0;
}
