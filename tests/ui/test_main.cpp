// The main function of the window test programs: it runs the one test class named by
// the first argument in a fresh application, as QTEST_MAIN would, so that each ctest
// entry keeps the process of its own that one program per class gave it.

#include "tests/ui/test_main.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <string_view>
#include <vector>

namespace renamer::test_main {
namespace {

std::vector<TestClass>& Classes() {
  static std::vector<TestClass> classes;
  return classes;
}

// "…/tests/ui/preview_test.cpp" → "preview_test".
std::string_view NameOf(std::string_view sourceFile) {
  const std::size_t slash = sourceFile.find_last_of('/');
  if (slash != std::string_view::npos) sourceFile.remove_prefix(slash + 1);
  const std::size_t dot = sourceFile.rfind('.');
  if (dot != std::string_view::npos) sourceFile = sourceFile.substr(0, dot);
  return sourceFile;
}

}  // namespace

bool AddTestClass(const TestClass& testClass) {
  Classes().push_back(testClass);
  return true;
}

}  // namespace renamer::test_main

int main(int argc, char* argv[]) {
  using renamer::test_main::Classes;
  using renamer::test_main::NameOf;
  using renamer::test_main::TestClass;

  const TestClass* chosen = nullptr;
  if (argc >= 2) {
    for (const TestClass& testClass : Classes()) {
      if (NameOf(testClass.sourceFile) == argv[1]) chosen = &testClass;
    }
  }
  if (chosen == nullptr) {
    std::fprintf(stderr, "usage: %s TEST [Qt Test arguments]\nwhere TEST is one of:\n",
                 argc > 0 ? argv[0] : "test");
    for (const TestClass& testClass : Classes()) {
      const std::string_view name = NameOf(testClass.sourceFile);
      std::fprintf(stderr, "  %.*s\n", static_cast<int>(name.size()), name.data());
    }
    return 2;
  }

  // The program's name, then what follows the class's name.
  std::vector<char*> arguments{argv[0]};
  arguments.insert(arguments.end(), argv + 2, argv + argc);
  arguments.push_back(nullptr);
  int count = argc - 1;

  chosen->initMain();
  QApplication app(count, arguments.data());
  app.setAttribute(Qt::AA_Use96Dpi, true);
  const std::unique_ptr<QObject> test = chosen->make();
  QTest::setMainSourcePath(chosen->sourceFile);
  return QTest::qExec(test.get(), count, arguments.data());
}
