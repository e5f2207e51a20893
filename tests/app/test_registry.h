// Registration of the Qt Test classes that the one test program runs.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kornmill::testing {

struct TestClass {
  std::string name;
  std::function<std::unique_ptr<QObject>()> make;
};

std::vector<TestClass>& TestClasses();

struct RegisterTestClass {
  RegisterTestClass(const char* name, std::function<std::unique_ptr<QObject>()> make) {
    TestClasses().push_back({name, std::move(make)});
  }
};

}  // namespace kornmill::testing

// Adds a QObject test class to the program's list.
#define KORNMILL_QT_TEST(Class)                                         \
  static const ::kornmill::testing::RegisterTestClass kRegister##Class( \
      #Class, [] { return std::unique_ptr<QObject>(new Class); })
