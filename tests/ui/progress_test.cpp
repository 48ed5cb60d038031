// A long run works off the window's thread: after a moment a progress window shows
// how far it is and offers "取消", the rest of the window cannot be changed meanwhile,
// and a cancelled run reports what it left undone before the usual report. What else a
// cancel leaves is in cancel_test.cpp.

#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "tests/ui/run_watching.h"
#include "tests/ui/test_main.h"
#include "ui/colors.h"
#include "ui/job_control.h"

namespace renamer::ui {
namespace {

using namespace std::chrono_literals;
using namespace testing;

class ProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(qputenv("XDG_STATE_HOME", stateHome_.path().toLocal8Bit())); }

  // Escape in the progress window stops the run after the file being renamed: the box
  // starts with what was left, then reports the failure met before.
  void escapeCancelsASlowRun() {
    FaultyFileSystem fs;
    RenameLog renames;
    fs.onRename = [&](const std::string& from, const std::string&) {
      const int count = renames.Add(from);
      std::this_thread::sleep_for(15ms);
      return count == 2 ? EACCES : kPass;
    };
    const QStringList names = Numbered(60);
    WindowOnDirectory view(names, &fs);
    QVERIFY(view.active);
    Prepare(view, {100ms, 10ms, 2000ms});

    bool checked = false;
    const Seen seen = RunWatching(
        view,
        [&](ProgressWindow& progress, Seen&) {
          if (checked || renames.Count() < 4) return;
          checked = true;
          // The rest of the window cannot be changed, nor closed, while the run works.
          for (const char* part : {"Frame1", "Frame2", "Frame3"})
            QVERIFY2(!view.Child<QGroupBox>(part)->isEnabled(), part);
          QVERIFY(!view.Child<QPushButton>("Command1")->isEnabled());
          QVERIFY(!view.Child<QPushButton>("Command2")->isEnabled());
          // The value field the rule enabled is grey like the rest meanwhile.
          auto* value = view.Child<QLineEdit>("Chgstr");
          QVERIFY(!value->isEnabled());
          QCOMPARE(value->palette().color(QPalette::Disabled, QPalette::Base),
                   ColorOf(SystemColor::kInactiveBorder));
          QVERIFY(!view.window->close());
          QVERIFY(view.window->isVisible());
          // The busy cursor is the main window's; the progress window has the normal one.
          QCOMPARE(QApplication::overrideCursor(), nullptr);
          QCOMPARE(view.window->cursor().shape(), Qt::WaitCursor);
          QCOMPARE(progress.cursor().shape(), Qt::ArrowCursor);
          QCOMPARE(progress.CancelButton()->text(), QStringLiteral("取消"));
          SaveScreenshot(progress, QStringLiteral("progress_window"));
          SaveScreenshot(*view.window, QStringLiteral("main_window_running"));
          QTest::keyClick(&progress, Qt::Key_Escape);
        },
        QStringLiteral("cancel_report"));

    QVERIFY(checked);
    QCOMPARE(seen.progressTitle, QStringLiteral("正在改名"));
    const QRegularExpression counted(QStringLiteral("^已处理 [0-9]+ / 60 个文件$"));
    QVERIFY2(counted.match(seen.progressTexts.last()).hasMatch(),
             qPrintable(seen.progressTexts.join(u'|')));
    const int done = renames.Count();
    QVERIFY2(done >= 2 && done < 60, qPrintable(QString::number(done)));
    const QString refused = renames.Tried().at(1);
    QVERIFY(seen.box);
    QCOMPARE(seen.boxTitle, QStringLiteral("提示"));
    QCOMPARE(seen.boxText, Cancelled(60 - static_cast<std::uint64_t>(done)) +
                               Entry(view, refused, QStringLiteral("没有权限")));
    const QStringList expected = ExpectedEntries(names, renames, refused);
    QCOMPARE(view.Entries(), expected);

    // Afterwards the window is as before the run, and lists the folder as it is now.
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(view.Child<QGroupBox>("Frame3")->isEnabled());
    QVERIFY(view.Child<QPushButton>("Command1")->isEnabled());
    QCOMPARE(view.window->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(view.Child<QLineEdit>("Chgstr")->isEnabled());
    QCOMPARE(view.Child<QLineEdit>("Chgstr")->palette().color(QPalette::Active, QPalette::Base),
             ColorOf(SystemColor::kWindowBackground));
    QStringList shown;
    for (int k = 0; k < view.window->FileListCount(); ++k)
      shown << QString::fromStdU16String(view.window->FileListItem(k));
    shown.sort();
    QCOMPARE(shown, expected);

    // What the run did before the cancel is taken back like any run.
    auto* undo = view.Child<QPushButton>("Command3");
    QVERIFY(undo->isEnabled());
    const SeenBox undone = CatchMessageBox([&] {
      QTest::mouseClick(undo, Qt::LeftButton);
      WaitForJob(*view.window);
    });
    QVERIFY2(!undone.shown, qPrintable(undone.text));
    QCOMPARE(view.Entries(), names);
  }

  // A call that does not return says so; "取消" pressed meanwhile lets that call finish
  // and starts no other.
  void saysWhenTheFileSystemKeepsACallWaiting() {
    FaultyFileSystem fs;
    RenameLog renames;
    fs.onRename = [&](const std::string& from, const std::string&) {
      if (renames.Add(from) == 3) std::this_thread::sleep_for(900ms);
      return kPass;
    };
    const QStringList names = Numbered(6);
    WindowOnDirectory view(names, &fs);
    Prepare(view, {50ms, 10ms, 300ms});

    bool pressed = false;
    const Seen seen = RunWatching(view, [&](ProgressWindow& progress, Seen&) {
      if (pressed || progress.StatusText() != QStringLiteral("正在等待文件系统…")) return;
      pressed = true;
      QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
      QVERIFY(!progress.CancelButton()->isEnabled());
    });

    QVERIFY(pressed);
    // Nothing to say at first, the waiting line once the call took too long.
    QCOMPARE(seen.statusTexts.value(0), QString());
    QVERIFY2(seen.statusTexts.contains(QStringLiteral("正在等待文件系统…")),
             qPrintable(seen.statusTexts.join(u'|')));
    QCOMPARE(renames.Count(), 3);
    QCOMPARE(seen.boxText, Cancelled(3));
    QCOMPARE(view.Entries(), ExpectedEntries(names, renames));
  }

  // A run shorter than the progress window's delay shows none: the busy cursor only,
  // and the report exactly as before.
  void aShortRunShowsNoProgressWindow() {
    FaultyFileSystem fs;
    fs.onRename = [&](const std::string& from, const std::string&) {
      std::this_thread::sleep_for(10ms);
      return from == "f03.txt" ? EACCES : kPass;
    };
    const QStringList names = Numbered(20);
    WindowOnDirectory view(names, &fs);
    Prepare(view, {});

    bool busyCursor = false;
    QTimer cursor;
    QObject::connect(&cursor, &QTimer::timeout, [&] {
      const QCursor* shown = QApplication::overrideCursor();
      busyCursor = busyCursor || (shown != nullptr && shown->shape() == Qt::WaitCursor);
    });
    cursor.start(5);
    const Seen seen = RunWatching(view);
    cursor.stop();

    QVERIFY(busyCursor);
    QCOMPARE(seen.progressTicks, 0);
    QCOMPARE(seen.boxText, Entry(view, QStringLiteral("f03.txt"), QStringLiteral("没有权限")));
    QCOMPARE(view.Entries(), AllRenamed(names, QStringLiteral("f03.txt")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  // "确定" starts the run and returns: the window stays locked until the run has ended,
  // then shows the folder as the run left it.
  void theRunButtonReturnsWhileTheRunWorks() {
    FaultyFileSystem fs;
    std::atomic<bool> released{false};
    std::atomic<int> renames{0};
    fs.onRename = [&](const std::string&, const std::string&) {
      ++renames;
      // Held until released; five seconds at most, so that a click that waited for the
      // run fails the test rather than hangs it.
      for (int ms = 0; !released && ms < 5000; ++ms) std::this_thread::sleep_for(1ms);
      return kPass;
    };
    const QStringList names = Numbered(3);
    WindowOnDirectory view(names, &fs);
    Prepare(view, {});
    auto* run = view.Child<QPushButton>("Command1");

    QTest::mouseClick(run, Qt::LeftButton);
    QTRY_COMPARE(renames.load(), 1);
    QVERIFY(view.window->findChild<JobControl*>()->Running());
    QVERIFY(!run->isEnabled());
    QVERIFY(!view.Child<QGroupBox>("Frame3")->isEnabled());
    QCOMPARE(view.Entries(), names);

    released = true;
    QVERIFY(WaitForJob(*view.window));
    QCOMPARE(view.Entries(), AllRenamed(names));
    QCOMPARE(view.window->FileListItem(0), u"x_f00.txt");
    QVERIFY(run->isEnabled());
    QVERIFY(view.Child<QGroupBox>("Frame3")->isEnabled());
  }

 private:
  QTemporaryDir stateHome_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::ProgressTest)
#include "progress_test.moc"
