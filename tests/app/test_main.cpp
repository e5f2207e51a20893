// Runs the app's Qt Test classes: all of them, one class, or one function; lists them for CTest.
#include <QApplication>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "test_registry.h"

namespace kornmill::testing {

std::vector<TestClass>& TestClasses() {
  static std::vector<TestClass> classes;
  return classes;
}

namespace {

bool IsTestFunction(const QMetaMethod& m) {
  if (m.methodType() != QMetaMethod::Slot || m.access() != QMetaMethod::Private) return false;
  const QByteArray name = m.name();
  return name != "initTestCase" && name != "cleanupTestCase" && name != "init" &&
         name != "cleanup" && !name.endsWith("_data");
}

// "Class function" per line: what the CTest discovery script reads.
int ListTests() {
  for (const TestClass& c : TestClasses()) {
    const std::unique_ptr<QObject> object = c.make();
    const QMetaObject* meta = object->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
      if (IsTestFunction(meta->method(i))) {
        std::printf("%s %s\n", c.name.c_str(), meta->method(i).name().constData());
      }
    }
  }
  return 0;
}

}  // namespace
}  // namespace kornmill::testing

int main(int argc, char** argv) {
  using kornmill::testing::TestClasses;
  if (argc > 1 && std::strcmp(argv[1], "--list") == 0) return kornmill::testing::ListTests();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // What the program writes goes to private folders, never the user's: its
  // data (output, patches) and its settings.
  QTemporaryDir data_home;
  qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
  QTemporaryDir config_home;
  qputenv("XDG_CONFIG_HOME", config_home.path().toLocal8Bit());
  QApplication app(argc, argv);
  int failures = 0;
  for (const auto& c : TestClasses()) {
    if (argc > 1 && c.name != argv[1]) continue;
    QStringList args = {QString::fromLocal8Bit(argv[0])};
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const std::unique_ptr<QObject> object = c.make();
    failures += QTest::qExec(object.get(), args);
  }
  return failures == 0 ? 0 : 1;
}
