#pragma once

// Several window test classes share one program, so that the suite links a few programs
// rather than one per class. ctest still starts each class in a process of its own:
// the program's first argument names the class (its source file's name without
// ".cpp"), and the arguments after it go to Qt Test as usual.

#include <QObject>
#include <QTest>

#include <memory>

namespace renamer::test_main {

/// Makes one test class and runs its class-wide set-up before the application exists.
struct TestClass {
  const char* sourceFile;
  void (*initMain)();
  std::unique_ptr<QObject> (*make)();
};

/// Adds a class to the program's list; called once per test file, before main.
bool AddTestClass(const TestClass& testClass);

}  // namespace renamer::test_main

/// Stands where QTEST_MAIN stood: the class runs when the program is started with the
/// name of this file.
#define RENAMER_TEST_MAIN(TestObject)                                                     \
  namespace {                                                                             \
  [[maybe_unused]] const bool renamerTestClassAdded = ::renamer::test_main::AddTestClass( \
      {__FILE__, &QTest::Internal::callInitMain<TestObject>,                              \
       []() -> std::unique_ptr<QObject> { return std::make_unique<TestObject>(); }});     \
  }
