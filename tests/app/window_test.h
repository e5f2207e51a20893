// A Qt Test class whose test functions each get a new window of the fixture.
#pragma once

#include <QObject>
#include <QTest>
#include <memory>

#include "window_fixture.h"

namespace kornmill::testing {

class WindowTest : public QObject {
  Q_OBJECT

 public:
  // `shown`: the window is shown and exposed before each test function; `adjust` changes the
  // fixture's answers and the window's options first.
  explicit WindowTest(bool shown = false, WindowFixture::Adjust adjust = nullptr)
      : shown_(shown), adjust_(std::move(adjust)) {}

 protected slots:
  void init() {
    f_ = std::make_unique<WindowFixture>(adjust_);
    if (shown_) {
      f_->window->show();
      QVERIFY(QTest::qWaitForWindowExposed(f_->window.get()));
    }
  }
  void cleanup() { f_.reset(); }

 protected:
  std::unique_ptr<WindowFixture> f_;

 private:
  bool shown_;
  WindowFixture::Adjust adjust_;
};

}  // namespace kornmill::testing
