#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "tests/ui/event_loop.h"
#include "tests/ui/test_main.h"
#include "ui/about_window.h"
#include "ui/lifetime.h"
#include "ui/main_window.h"

using renamer::ui::AboutWindow;
using renamer::ui::MainWindow;
using renamer::ui::ProgramLifetime;
using renamer::ui::testing::AddWayRows;
using renamer::ui::testing::RunLoop;
using renamer::ui::testing::RunLoopWith;

namespace {

/// Runs `then` a little later, once the loop has been idle for a while.
void Later(const std::function<void()>& then) { QTimer::singleShot(100, qApp, then); }

/// The about window, if the program has made it.
AboutWindow* FindAboutWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* about = qobject_cast<AboutWindow*>(window)) return about;
  }
  return nullptr;
}

/// A main window on an empty scratch directory, shown centred as the program does.
QPointer<MainWindow> StartMainWindow(const QTemporaryDir& dir) {
  auto* window = new MainWindow();
  window->OpenDirectory(QDir(dir.path()).canonicalPath().toStdU16String());
  renamer::ui::ShowCentred(*window);
  QApplication::setActiveWindow(window);
  return window;
}

}  // namespace

class ExitPathTest : public QObject {
  Q_OBJECT

 private slots:
  void qtNoLongerQuitsOnItsOwn();
  void lastWindowGoneEndsTheLoop_data();
  void lastWindowGoneEndsTheLoop();
  void closingOneWindowAndOpeningAnotherInOneHandlerGoesOn();
  void oneOfTwoWindowsClosedGoesOn();
  void toolTipAloneDoesNotKeepTheProgram();
  void centredOnTheScreen();
  // The about window exists once per program, so the close box goes first.
  void mainWindowCloseBoxEndsWithoutAboutWindow();
  void exitButtonSwapsMainWindowForAboutWindow();
};

void ExitPathTest::qtNoLongerQuitsOnItsOwn() {
  ProgramLifetime lifetime;
  QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
}

void ExitPathTest::lastWindowGoneEndsTheLoop_data() {
  AddWayRows({"close box", "hidden", "deleted while shown", "deleted later"});
}

void ExitPathTest::lastWindowGoneEndsTheLoop() {
  ProgramLifetime lifetime;
  auto* window = new QWidget;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  QPointer<QWidget> watch(window);
  const int code = RunLoopWith({
      {QStringLiteral("close box"), [window] { window->close(); }},
      {QStringLiteral("hidden"), [window] { window->hide(); }},
      {QStringLiteral("deleted while shown"), [window] { delete window; }},
      {QStringLiteral("deleted later"), [window] { window->deleteLater(); }},
  });
  QCOMPARE(code, 0);
  delete watch.data();
}

void ExitPathTest::closingOneWindowAndOpeningAnotherInOneHandlerGoesOn() {
  ProgramLifetime lifetime;
  auto* first = new QWidget;
  first->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<QWidget> firstAlive(first);
  QWidget second;
  first->show();
  bool runningAfterHandler = false;
  bool firstGoneMeanwhile = false;
  const int code = RunLoop([&] {
    first->close();
    second.show();
    Later([&] {
      runningAfterHandler = true;
      firstGoneMeanwhile = firstAlive.isNull();
      second.close();
    });
  });
  QCOMPARE(code, 0);
  QVERIFY2(runningAfterHandler, "the program ended between closing and opening");
  QVERIFY(firstGoneMeanwhile);
}

void ExitPathTest::oneOfTwoWindowsClosedGoesOn() {
  ProgramLifetime lifetime;
  QWidget first;
  QWidget second;
  first.show();
  second.show();
  bool runningAfterClose = false;
  const int code = RunLoop([&] {
    first.close();
    Later([&] {
      runningAfterClose = true;
      second.close();
    });
  });
  QCOMPARE(code, 0);
  QVERIFY(runningAfterClose);
}

void ExitPathTest::toolTipAloneDoesNotKeepTheProgram() {
  ProgramLifetime lifetime;
  QWidget window;
  QWidget tip(nullptr, Qt::ToolTip);
  window.show();
  tip.show();
  QVERIFY(ProgramLifetime::AnyWindowOpen());
  const int code = RunLoop([&] { window.close(); });
  QCOMPARE(code, 0);
  QVERIFY(!ProgramLifetime::AnyWindowOpen());
}

void ExitPathTest::centredOnTheScreen() {
  QWidget window;
  window.setFixedSize(542, 422);
  renamer::ui::ShowCentred(window);
  QVERIFY(window.isVisible());
  const QRect available = window.screen()->availableGeometry();
  QVERIFY(qAbs(window.geometry().center().x() - available.center().x()) <= 1);
  QVERIFY(qAbs(window.geometry().center().y() - available.center().y()) <= 1);
  QCOMPARE(window.size(), QSize(542, 422));
}

void ExitPathTest::mainWindowCloseBoxEndsWithoutAboutWindow() {
  ProgramLifetime lifetime;
  QTemporaryDir dir;
  QPointer<MainWindow> window = StartMainWindow(dir);
  QVERIFY(window->isVisible());
  const QRect available = window->screen()->availableGeometry();
  QVERIFY(qAbs(window->geometry().center().x() - available.center().x()) <= 1);
  QVERIFY(qAbs(window->geometry().center().y() - available.center().y()) <= 1);
  const int code = RunLoop([&] { window->close(); });
  QCOMPARE(code, 0);
  QVERIFY(window.isNull());
  QVERIFY(FindAboutWindow() == nullptr);
}

void ExitPathTest::exitButtonSwapsMainWindowForAboutWindow() {
  ProgramLifetime lifetime;
  QTemporaryDir dir;
  QPointer<MainWindow> window = StartMainWindow(dir);
  auto* exitButton = window->findChild<QPushButton*>(QStringLiteral("Command2"));
  QVERIFY(exitButton != nullptr);
  QCOMPARE(exitButton->text(), QStringLiteral("退出"));
  bool aboutSeen = false;
  const int code = RunLoop([&] {
    QTest::mouseClick(exitButton, Qt::LeftButton);
    Later([&] {
      QVERIFY2(window.isNull(), "the main window was not destroyed");
      AboutWindow* about = FindAboutWindow();
      QVERIFY(about != nullptr);
      QVERIFY(about->isVisible());
      QVERIFY(about->parentWidget() == nullptr);
      QCOMPARE(about->geometry(), QRect(364, 314, 312, 210));
      aboutSeen = true;
      auto* ok = about->findChild<QPushButton*>(QStringLiteral("Command1"));
      QCOMPARE(about->focusWidget(), ok);
      QTest::keyClick(ok, Qt::Key_Space);
    });
  });
  QCOMPARE(code, 0);
  QVERIFY(aboutSeen);
  QVERIFY(!FindAboutWindow()->isVisible());
}

RENAMER_TEST_MAIN(ExitPathTest)
#include "exit_path_test.moc"
