// The help window: opened at each window's keyword, history, links, find, beside a modal dialog;
// and the factory banks a first run offers in the bank panel.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "app/about_box.h"
#include "app/dialogs.h"
#include "app/gesture_host.h"
#include "app/gesture_window.h"
#include "app/help.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/options_dialog.h"
#include "app/patch_panel.h"
#include "app/patch_view.h"
#include "clock_devices.h"
#include "resources/ids.h"
#include "settings/qsettings_store.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

// The real boxes, except that a message box is recorded instead of waiting for a click.
class HelpDialogs : public QtDialogs {
 public:
  int MessageBox(QWidget*, const QString&, const QString& text, BoxType) override {
    boxes.push_back(text);
    return kAnswerOk;
  }
  std::vector<QString> boxes;
};

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void f1AndTheHelpCommandInTheWindows();
  void f1AndTheHelpButtonsInTheDialogs();
  void aMissingPageIsNotShown();
  void linksBackForwardAndContents();
  void findMarksMatchesAndGoesRoundThePage();
  void usableBesideAModalDialog();
  void firstRunOffersTheFactoryBanks();

 private:
  // Opens the help at `keyword` as the program does; the page's file name.
  QString OpenAt(const QString& keyword);
  HelpWindow* help() { return dialogs_->help_window(); }
  // The page the help window shows, "page.html#fragment"; empty when it is not shown.
  QString Shown();
  // A main window on the real help window and a clock device, in `folder`; on a first run
  // with the banks of `factory` when it is given; the settings in `settings`, or in memory.
  std::unique_ptr<MainWindow> MakeWindow(const QTemporaryDir& folder,
                                         std::shared_ptr<RegistryStore> settings = nullptr,
                                         const std::string& factory = {});

  std::unique_ptr<HelpDialogs> dialogs_;
};

void HelpTest::init() {
  dialogs_ = std::make_unique<HelpDialogs>();
}

void HelpTest::cleanup() {
  dialogs_.reset();
}

QString HelpTest::OpenAt(const QString& keyword) {
  const QUrl page = HelpPage(keyword);
  if (page.isEmpty() || !dialogs_->OpenHelp(page)) return {};
  if (!QTest::qWaitForWindowExposed(help())) return {};
  return help()->browser()->source().fileName();
}

QString HelpTest::Shown() {
  if (!help() || !help()->isVisible()) return {};
  const QUrl source = help()->browser()->source();
  return source.fileName() + QLatin1Char('#') + source.fragment();
}

std::unique_ptr<MainWindow> HelpTest::MakeWindow(const QTemporaryDir& folder,
                                                 std::shared_ptr<RegistryStore> settings,
                                                 const std::string& factory) {
  MainWindowOptions options;
  options.dialogs = dialogs_.get();
  options.devices = std::make_unique<ClockDevices>();
  options.output_folder = folder.path().toStdString();
  options.source_folder = folder.path().toStdString();
  options.settings = settings ? std::move(settings) : std::make_shared<MemoryStore>();
  options.patch_folder = folder.filePath(QStringLiteral("Patches/")).toStdString();
  options.factory_folder = factory;
  options.midi_ports = OneFakePort();
  return std::make_unique<MainWindow>(std::move(options));
}

void HelpTest::f1AndTheHelpCommandInTheWindows() {
  QTemporaryDir folder;
  auto window = MakeWindow(folder);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F1);
  QCOMPARE(Shown(), QStringLiteral("index.html#"));
  help()->close();
  window->OnMenuCommand(kCmdHelp);
  QCOMPARE(Shown(), QStringLiteral("index.html#"));
  // The About box: centred on the window, with one button.
  AboutBox about(window.get());
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  const QPoint offset = about.frameGeometry().center() - window->frameGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString::number(offset.manhattanLength())));
  QTest::keyClick(&about, Qt::Key_F1);
  QCOMPARE(Shown(), QStringLiteral("about.html#"));
  const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 1);
  QTest::mouseClick(buttons[0], Qt::LeftButton);
  QCOMPARE(about.result(), int(QDialog::Accepted));
  window->OnMenuCommand(kCmdGestureWindow);
  QWidget* gesture = window->gesture().window();
  QVERIFY(gesture && QTest::qWaitForWindowExposed(gesture));
  QTest::keyClick(gesture, Qt::Key_F1);
  QCOMPARE(Shown(), QStringLiteral("gesture.html#"));
  // Every request was answered by the help window, none with a box.
  QVERIFY(dialogs_->boxes.empty());
}

void HelpTest::f1AndTheHelpButtonsInTheDialogs() {
  QTemporaryDir folder;
  auto window = MakeWindow(folder);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  OptionsDialog options(*window);
  options.show();
  QVERIFY(QTest::qWaitForWindowExposed(&options));
  QTest::keyClick(options.tabs(), Qt::Key_F1);
  QCOMPARE(Shown(), QStringLiteral("sound-card.html#io-options"));
  help()->contents_button()->click();
  QVERIFY(DialogButton(options, QStringLiteral("&Help")));
  QTest::mouseClick(DialogButton(options, QStringLiteral("&Help")), Qt::LeftButton);
  QCOMPARE(Shown(), QStringLiteral("sound-card.html#io-options"));
  QVERIFY(options.isVisible());
  options.reject();
  // The MIDI command runs its dialog modally: the user's clicks come from the event loop.
  QString shown;
  bool beside = false;
  QTimer::singleShot(0, this, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    if (QPushButton* b = DialogButton(*dialog, QStringLiteral("&Help"))) {
      QTest::mouseClick(b, Qt::LeftButton);
    }
    shown = Shown();
    beside = help() && help()->parentWidget() == dialog;
    QMetaObject::invokeMethod(dialog, "reject");
  });
  window->OnMenuCommand(kCmdMidiResponse);
  QCOMPARE(shown, QStringLiteral("midi.html#response"));
  QVERIFY(beside);
  QVERIFY(dialogs_->boxes.empty());
}

void HelpTest::aMissingPageIsNotShown() {
  QVERIFY(!dialogs_->OpenHelp(QUrl::fromLocalFile(QStringLiteral("/no/such/help/index.html"))));
  QVERIFY(!dialogs_->OpenHelp(QUrl(QStringLiteral("https://example.org/"))));
  QVERIFY(!help() || !help()->isVisible());
}

void HelpTest::linksBackForwardAndContents() {
  QCOMPARE(OpenAt(QString()), QStringLiteral("index.html"));
  QTextBrowser* browser = help()->browser();
  // A click on the link "Getting started" of the contents.
  QTextCursor link = browser->document()->find(QStringLiteral("Getting started"));
  QVERIFY(!link.isNull());
  link.setPosition(link.selectionStart() + 2);
  const QPoint at = browser->cursorRect(link).center();
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTRY_COMPARE(browser->source().fileName(), QStringLiteral("getting-started.html"));
  QCOMPARE(help()->windowTitle(), QStringLiteral("Kornmill Help - Getting started"));
  QVERIFY(help()->back_button()->isEnabled());
  help()->back_button()->click();
  QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
  QVERIFY(help()->forward_button()->isEnabled());
  help()->forward_button()->click();
  QCOMPARE(browser->source().fileName(), QStringLiteral("getting-started.html"));
  help()->contents_button()->click();
  QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
  // A page with an anchor opens scrolled to it.
  const QUrl row = HelpPage(QString()).resolved(QUrl(QStringLiteral("controls.html#control-27")));
  QVERIFY(dialogs_->OpenHelp(row));
  QCOMPARE(browser->source().fragment(), QStringLiteral("control-27"));
  QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
}

void HelpTest::findMarksMatchesAndGoesRoundThePage() {
  QCOMPARE(OpenAt(QString()), QStringLiteral("index.html"));
  HelpWindow* window = help();
  QVERIFY(window->Find(QStringLiteral("GRAINS")));
  QCOMPARE(window->browser()->textCursor().selectedText(), QStringLiteral("grains"));
  const int first = window->browser()->textCursor().selectionStart();
  // Found again further on, then round the end back to the first.
  int seen = 0;
  do {
    QVERIFY(window->Find(QStringLiteral("grains")));
    ++seen;
  } while (window->browser()->textCursor().selectionStart() != first && seen < 100);
  QVERIFY(seen > 1 && seen < 100);
  QVERIFY(!window->Find(QStringLiteral("zyzzyva")));
  window->find_box()->setText(QStringLiteral("zyzzyva"));
  QVERIFY(window->browser()->extraSelections().isEmpty());
  window->find_box()->setText(QStringLiteral("sine"));
  QVERIFY(window->browser()->extraSelections().size() >= 1);
}

void HelpTest::usableBesideAModalDialog() {
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("In/Out Options"));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(QApplication::activeModalWidget(), &dialog);
  // Opened from the dialog, the help stands beside it, not blocked by it.
  QCOMPARE(OpenAt(HelpKeyword(dialog.windowTitle())), QStringLiteral("sound-card.html"));
  QCOMPARE(help()->parentWidget(), &dialog);
  QVERIFY(help()->isWindow());
  // The dialog closes: the help stays open, on its own again.
  dialog.hide();
  QCOMPARE(help()->parentWidget(), nullptr);
  QVERIFY(help()->isVisible());
  // A modal dialog opened while the help is up takes the help beside it.
  QDialog second;
  second.setWindowModality(Qt::ApplicationModal);
  second.show();
  QVERIFY(QTest::qWaitForWindowExposed(&second));
  QTRY_COMPARE(help()->parentWidget(), &second);
  second.hide();
  QCOMPARE(help()->parentWidget(), nullptr);
}

void HelpTest::firstRunOffersTheFactoryBanks() {
  QTemporaryDir dir;
  auto settings =
      std::make_shared<QSettingsStore>(dir.filePath(QStringLiteral("Kornmill.conf")).toStdString());
  const std::string factory = KORNMILL_SHARE_DIR "/patches";
  auto window = MakeWindow(dir, settings, factory);
  PatchPanel& items = window->patches().items();
  QCOMPARE(items.name_box()->text(), QStringLiteral("Clouds"));
  QTest::mouseClick(items.bank_button(1), Qt::LeftButton);
  QCOMPARE(items.name_box()->text(), QStringLiteral("Stretch"));
  QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("Patches/Clouds.kpb"))));
  QVERIFY(dialogs_->boxes.empty());
  // The exit records them: the next start is no first run.
  QVERIFY(window->Exit());
  window.reset();
  QFile::remove(dir.filePath(QStringLiteral("Patches/Clouds.kpb")));
  window = MakeWindow(dir, settings, factory);
  // Not a first run: a deleted factory bank stays deleted.
  QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Patches/Clouds.kpb"))));
}

KORNMILL_QT_TEST(HelpTest);

}  // namespace kornmill::testing

#include "help_test.moc"
