// Start-up: title, change-time text, dialog size, items, status-bar parts and the folder question.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "app/control_scroll_bar.h"
#include "app/dialog_panel.h"
#include "app/dialog_units.h"
#include "app/status_bar.h"
#include "resources/ids.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogUnitsFollowTheFontMetrics();
  void startsWithTheSineTitleAndOneSecondChangeTime();
  void laysOutEveryItemOfTheDialog();
  void statusBarPartsForWideAndNarrowWindows();
  void missingOutputFolderAsksAndOpensTheChooser();
  void answeringNoLeavesTheFolder();
};

void StartupTest::dialogUnitsFollowTheFontMetrics() {
  // 467 × 315 dialog units with an average width of 6 and a height of 13 pixels.
  const DialogUnits du(6, 13);
  QCOMPARE(du.X(467), 701);  // 467 × 6 / 4 = 700.5, rounded
  QCOMPARE(du.Y(315), 512);  // 315 × 13 / 8 = 511.875
  QCOMPARE(du.Rect({4, 8, 10, 16}), QRect(6, 13, 15, 26));
  // The font's base units: the average width of the 52 letters, the line height.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(12);
  const DialogUnits from_font(font);
  const QFontMetrics fm(font);
  QCOMPARE(from_font.char_height(), fm.height());
  const int letters =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  QVERIFY(std::abs(from_font.avg_char_width() * 52 - letters) <= 52);
}

void StartupTest::startsWithTheSineTitleAndOneSecondChangeTime() {
  WindowFixture f;
  QCOMPARE(f.window->windowTitle(), QStringLiteral("Kornmill"));
  QCOMPARE(f.window->panel().change_time_text()->text(),
           QString::fromUtf8("  \u00ee  parm chng time: 1.00 s"));
  QCOMPARE(f.window->panel().tabs()->count(), 1);
  QCOMPARE(f.window->panel().tabs()->tabText(0), QStringLiteral("Stream 1"));
  QCOMPARE(f.Part(1), QStringLiteral("Stream uses Built-in 110 Hz sine, default patch"));
  // The output folder exists: no question was asked.
  QVERIFY(f.dialogs.boxes.empty());
}

void StartupTest::laysOutEveryItemOfTheDialog() {
  WindowFixture f;
  DialogPanel& panel = f.window->panel();
  const DialogUnits& du = panel.units();
  QCOMPARE(panel.size(), QSize(du.X(467), du.Y(315)));
  const QStringList titles = {"Soundfile playback", "Grain density", "Grain pitch",
                              "Envelope",           "Output",        "Patch banks"};
  for (int i = 0; i < 6; ++i) {
    QCOMPARE(panel.group(i)->title(), titles[i]);
    QVERIFY(panel.group(i)->font().bold());
    QVERIFY(panel.rect().contains(panel.group(i)->geometry()));
    for (int j = i + 1; j < 6; ++j) {
      QVERIFY(!panel.group(i)->geometry().intersects(panel.group(j)->geometry()));
    }
  }
  QCOMPARE(panel.play_button()->text(), QStringLiteral("&Play"));
  QCOMPARE(panel.file_button()->text(), QStringLiteral(">>> F&ile  "));
  QVERIFY(panel.play_button()->isCheckable() && panel.file_button()->isCheckable());
  // Every scrollbar stands inside its group box with its row's range, page and default.
  for (int k = 0; k < kControls; ++k) {
    ControlScrollBar* bar = panel.bar(k);
    const ControlRow& row = kControlTable[k];
    const int g = titles.indexOf(QString::fromUtf8(row.group.data(), int(row.group.size())));
    QVERIFY2(panel.group(g)->geometry().contains(bar->geometry()), qPrintable(QString::number(k)));
    QCOMPARE(bar->id(), 1500 + k);
    QCOMPARE(bar->orientation(), k == 27 ? Qt::Horizontal : Qt::Vertical);
    QCOMPARE(bar->pageStep(), 5);
    QCOMPARE(bar->minimum(), row.minimum);
    // Range minimum .. maximum + 3 with a page of 5: the thumb stops at maximum - 1.
    QCOMPARE(bar->maximum(), row.maximum - 1);
    QCOMPARE(bar->position(), row.default_position);
  }
  // Spot checks against the table: rate at -4086, grain frequency at 10347.
  QCOMPARE(panel.bar(4)->value(), -4086);
  QCOMPARE(panel.bar(7)->value(), 10347);
}

void StartupTest::statusBarPartsForWideAndNarrowWindows() {
  WindowFixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  StatusBar* status = f.window->panel().status_bar();
  auto right = [status](int i) { return status->PartRect(i).x() + status->PartRect(i).width(); };
  // Parts 1 and 2 end this far left of the window's right edge; part 3 six pixels left of it.
  const struct {
    int width, part1, part2;
  } rows[] = {{800, 283, 134}, {640, 283, 134}, {600, 258, 128}};
  for (const auto& r : rows) {
    f.window->resize(r.width, f.window->height());
    QTRY_COMPARE(status->width(), r.width);
    QCOMPARE(right(0), 4);
    QCOMPARE(right(1), r.width - r.part1);
    QCOMPARE(right(2), r.width - r.part2);
    QCOMPARE(right(3), r.width - 6);
    QCOMPARE(right(4), r.width);
  }
  // Parts 0 and 4 have no border and no text.
  QVERIFY(status->text(0).isEmpty() && status->text(4).isEmpty());
}

void StartupTest::missingOutputFolderAsksAndOpensTheChooser() {
  QTemporaryDir chosen;
  WindowFixture f([&chosen](WindowFixture& fixture, MainWindowOptions& options) {
    fixture.dialogs.yes = true;
    fixture.dialogs.folder = chosen.path();
    options.output_folder = "/nonexistent/kornmill-out";
  });
  const FakeDialogs& dialogs = f.dialogs;
  QCOMPARE(dialogs.boxes.size(), std::size_t(1));
  QCOMPARE(dialogs.boxes[0].title, QStringLiteral("Session Configuration Problem"));
  QCOMPARE(dialogs.boxes[0].text,
           QStringLiteral("Could not find output soundfile folder \"/nonexistent/kornmill-out\".\n"
                          "Do you want to specify a folder?"));
  QCOMPARE(dialogs.boxes[0].type, BoxType::kYesNo);
  // The chooser opens once the window's event loop runs.
  QVERIFY(dialogs.folder_requests.empty());
  QTRY_COMPARE(dialogs.folder_requests.size(), std::size_t(1));
  QCOMPARE(dialogs.folder_requests[0],
           QStringLiteral("Select Soundfile Folder|/nonexistent/kornmill-out"));
  QCOMPARE(QString::fromStdString(f.window->output().output_folder()), chosen.path());
  QCOMPARE(f.Part(1), QStringLiteral("Soundfile path: %1").arg(chosen.path()));
}

void StartupTest::answeringNoLeavesTheFolder() {
  WindowFixture f([](WindowFixture&, MainWindowOptions& options) {
    options.output_folder = "/nonexistent/kornmill-out";
  });
  QCOMPARE(f.dialogs.boxes.size(), std::size_t(1));
  QCoreApplication::processEvents();
  QVERIFY(f.dialogs.folder_requests.empty());
  QCOMPARE(f.window->output().output_folder(), std::string("/nonexistent/kornmill-out"));
}

KORNMILL_QT_TEST(StartupTest);

}  // namespace kornmill::testing

#include "startup_test.moc"
