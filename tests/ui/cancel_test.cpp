// A cancelled run: what it leaves when it is cancelled before it renames anything, and
// that the program's end cancels a run and waits for it.

#include <chrono>
#include <thread>

#include "tests/ui/event_loop.h"
#include "tests/ui/run_watching.h"
#include "tests/ui/test_main.h"
#include "ui/file_list_model.h"
#include "ui/job_control.h"

namespace renamer::ui {
namespace {

using namespace std::chrono_literals;
using namespace testing;

class CancelTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(qputenv("XDG_STATE_HOME", stateHome_.path().toLocal8Bit())); }

  // Cancelled while the files' times are read, the run has renamed none: the box and
  // the caption count every file it would have tried, the unchecked ones not.
  void aCancelWhileReadingLeavesEveryFile() {
    FaultyFileSystem fs;
    const QStringList names = Numbered(40);
    WindowOnDirectory view(names, &fs);
    Prepare(view, {50ms, 10ms, 2000ms});
    QSignalSpy shown(view.window->findChild<Preview*>(), &Preview::Shown);
    view.window->findChild<FileListModel*>()->SetChecked({0, 1}, false);
    QVERIFY(shown.wait(5000));
    fs.onTime = [](const std::string&) {
      std::this_thread::sleep_for(10ms);
      return kPass;
    };

    bool pressed = false;
    const Seen seen = RunWatching(view, [&](ProgressWindow& progress, Seen&) {
      if (pressed || progress.ProgressText() != QStringLiteral("正在读取文件信息…")) return;
      pressed = true;
      QTest::keyClick(&progress, Qt::Key_Escape);
    });

    QVERIFY(pressed);
    QCOMPARE(seen.boxText, QString::fromStdU16String(CancelledLine(38)));
    QCOMPARE(view.Entries(), names);
    QTRY_COMPARE(Caption(view), QStringLiteral("选择文件：已改名 0 个文件，38 个因取消未处理"));
  }

  // Should the program's event loop end, or the window go, while a run works, the run is
  // cancelled after the file being renamed and waited for.
  void theProgramsEndCancelsTheRunAndWaitsForIt_data() {
    AddWayRows({"loop ends", "window deleted"});
  }

  void theProgramsEndCancelsTheRunAndWaitsForIt() {
    QFETCH(QString, how);
    FaultyFileSystem fs;
    RenameLog renames;
    fs.onRename = [&](const std::string& from, const std::string&) {
      renames.Add(from);
      std::this_thread::sleep_for(20ms);
      return kPass;
    };
    const QStringList names = Numbered(60);
    WindowOnDirectory view(names, &fs);
    Prepare(view, {});
    QTest::mouseClick(view.Child<QPushButton>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(renames.Count() >= 2);

    if (how == QStringLiteral("loop ends")) {
      QCOMPARE(RunLoop([] { QCoreApplication::exit(0); }), 0);
      QVERIFY(!view.window->findChild<JobControl*>()->Running());
      QVERIFY(view.Child<QPushButton>("Command1")->isEnabled());
    } else {
      delete view.window.data();
    }
    const int done = renames.Count();
    QVERIFY2(done < 60, qPrintable(QString::number(done)));
    QCOMPARE(view.Entries(), ExpectedEntries(names, renames));
    std::this_thread::sleep_for(50ms);
    QCOMPARE(renames.Count(), done);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

 private:
  QTemporaryDir stateHome_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::CancelTest)
#include "cancel_test.moc"
