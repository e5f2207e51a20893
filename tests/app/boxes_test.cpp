// Message boxes, the loader's question from a worker thread, help keywords and pages.
#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "app/event_poster.h"
#include "app/help.h"
#include "app/loader_host.h"
#include "app/message_boxes.h"
#include "test_registry.h"
#include "window_fixture.h"

namespace kornmill::testing {

class BoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void boxesCarryTheirTitlesAndBracketTheModalState();
  void fatalErrorShutsDownWithMinusOne();
  void loaderQuestionIsAnsweredOnTheMainThread();
  void closedHostAnswersCancel();
  void helpKeywordsFollowTheActiveCaption();
};

void BoxesTest::boxesCarryTheirTitlesAndBracketTheModalState() {
  FakeDialogs dialogs;
  QStringList calls;
  MessageBoxes boxes(dialogs, nullptr,
                     {[&calls] { calls << "enter"; }, [&calls] { calls << "leave"; }, nullptr});
  dialogs.yes = true;
  QCOMPARE(boxes.AskQuestion(QStringLiteral("Go on?")), 1);
  dialogs.yes = false;
  QCOMPARE(boxes.AskQuestion(QStringLiteral("Go on?")), 0);
  dialogs.ok = false;
  QCOMPARE(boxes.AskQuestion(QStringLiteral("Load it?"), QStringLiteral("File Information"),
                             BoxType::kOkCancel),
           int(kAnswerCancel));
  boxes.ShowWarning(QStringLiteral("Could not find previously selected device"));
  QCOMPARE(dialogs.boxes.size(), std::size_t(4));
  QCOMPARE(dialogs.boxes[0].title, QStringLiteral("Kornmill Quiz"));
  QCOMPARE(dialogs.boxes[0].type, BoxType::kYesNo);
  QCOMPARE(dialogs.boxes[2].title, QStringLiteral("File Information"));
  QCOMPARE(dialogs.boxes[3].title, QStringLiteral("Kornmill Warning!"));
  QCOMPARE(dialogs.boxes[3].type, BoxType::kOk);
  QCOMPARE(calls.size(), 8);
  for (int i = 0; i < calls.size(); i += 2) {
    QCOMPARE(calls[i], QStringLiteral("enter"));
    QCOMPARE(calls[i + 1], QStringLiteral("leave"));
  }
}

void BoxesTest::fatalErrorShutsDownWithMinusOne() {
  WindowFixture f;
  QSignalSpy finished(f.window.get(), &MainWindow::finished);
  f.window->boxes().FatalError(QStringLiteral("Could not allocate output buffer memory"));
  QCOMPARE(f.dialogs.boxes.back().title, QStringLiteral("Fatal error"));
  QCOMPARE(f.dialogs.boxes.back().text, QStringLiteral("Could not allocate output buffer memory"));
  QCOMPARE(finished.count(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), -1);
  // Nothing runs after the shutdown: commands are ignored.
  f.window->OnMenuCommand(40031);
}

void BoxesTest::loaderQuestionIsAnsweredOnTheMainThread() {
  QObject main_thread_object;
  EventPoster poster(&main_thread_object);
  Qt::HANDLE asked_on = nullptr;
  WindowLoaderHost::Hooks hooks;
  hooks.ask = [&asked_on](const std::string& title, const std::string& text) {
    asked_on = QThread::currentThreadId();
    return title == "File Information" && text == "big.wav may be larger";
  };
  WindowLoaderHost host(&main_thread_object, poster, hooks);
  bool answer = false;
  std::thread loader(
      [&] { answer = host.AskQuestion("File Information", "big.wav may be larger"); });
  // The loader waits until the main thread's loop has asked.
  QTRY_VERIFY(asked_on != nullptr);
  loader.join();
  QVERIFY(answer);
  QCOMPARE(asked_on, QThread::currentThreadId());
}

void BoxesTest::closedHostAnswersCancel() {
  QObject main_thread_object;
  EventPoster poster(&main_thread_object);
  int asked = 0;
  WindowLoaderHost::Hooks hooks;
  hooks.ask = [&asked](const std::string&, const std::string&) { return ++asked > 0; };
  WindowLoaderHost host(&main_thread_object, poster, hooks);
  bool answer = true;
  std::thread loader([&] { answer = host.AskQuestion("File Information", "text"); });
  // Shutting down while the loader waits: it gets Cancel and can be joined,
  // and the question is never shown.
  host.Close();
  loader.join();
  QVERIFY(!answer);
  QCoreApplication::processEvents();
  QCOMPARE(asked, 0);
  QVERIFY(!host.AskQuestion("File Information", "later"));
}

void BoxesTest::helpKeywordsFollowTheActiveCaption() {
  // The windows' own keywords are checked with the help window; here the rest.
  QCOMPARE(HelpKeyword(QStringLiteral("In/Out Options")), QStringLiteral("I/O Options"));
  QCOMPARE(HelpKeyword(QStringLiteral("New login")), QStringLiteral("Login Window"));
  QCOMPARE(HelpKeyword(QStringLiteral("In/Out Options 2")), QString());
  QCOMPARE(HelpKeyword(QStringLiteral("tone.wav - Sifter chops it")), QString());
  // There is no login window; its keyword must still find a page.
  for (const char* keyword : {"", "Unknown", "Login Window"}) {
    const QUrl page = HelpPage(QString::fromUtf8(keyword));
    QCOMPARE(page.fileName(), QStringLiteral("index.html"));
    QVERIFY(!page.hasFragment());
  }
}

KORNMILL_QT_TEST(BoxesTest);

}  // namespace kornmill::testing

#include "boxes_test.moc"
