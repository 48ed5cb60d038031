// A long run works off the window's thread: after a moment a progress window shows
// how far it is and offers "取消", the rest of the window cannot be changed meanwhile,
// and a cancelled run reports what it left undone before the usual report.

#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTreeView>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "engine/run_control.h"
#include "tests/support/faulty_file_system.h"
#include "tests/ui/event_loop.h"
#include "tests/ui/main_window_support.h"
#include "ui/background_run.h"
#include "ui/colors.h"
#include "ui/file_list_model.h"
#include "ui/job_control.h"
#include "ui/preview.h"
#include "ui/progress_window.h"

namespace renamer::ui {
namespace {

using namespace std::chrono_literals;
using renamer::testing::FaultyFileSystem;
using testing::SaveScreenshot;
using testing::WindowOnDirectory;

constexpr int kPass = FaultyFileSystem::kPass;

QStringList Numbered(int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) names << QStringLiteral("f%1.txt").arg(i, 2, 10, QChar(u'0'));
  return names;
}

// Everything a test saw while "确定" was being handled.
struct Seen {
  int progressTicks = 0;
  QString progressTitle;
  QStringList progressTexts;
  QStringList statusTexts;
  bool box = false;
  QString boxTitle;
  QString boxText;
};

// Presses "确定", waits for the run and watches the modal windows every few
// milliseconds meanwhile: `onProgress` sees the progress window on each tick, the
// message box is recorded and closed. Gives up after ten seconds so that no test can
// hang.
Seen RunWatching(const WindowOnDirectory& view,
                 const std::function<void(ProgressWindow&, Seen&)>& onProgress = {},
                 const QString& boxShot = {}) {
  Seen seen;
  QElapsedTimer started;
  started.start();
  QTimer ticks;
  ticks.setInterval(5);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* progress = qobject_cast<ProgressWindow*>(modal)) {
      ++seen.progressTicks;
      seen.progressTitle = progress->windowTitle();
      if (seen.progressTexts.value(seen.progressTexts.size() - 1) != progress->ProgressText())
        seen.progressTexts << progress->ProgressText();
      if (seen.statusTexts.value(seen.statusTexts.size() - 1, QStringLiteral("-")) !=
          progress->StatusText())
        seen.statusTexts << progress->StatusText();
      if (onProgress) onProgress(*progress, seen);
    } else if (auto* box = qobject_cast<MessageDialog*>(modal)) {
      seen.box = true;
      seen.boxTitle = box->windowTitle();
      seen.boxText = box->Text();
      if (!boxShot.isEmpty()) SaveScreenshot(*box, boxShot);
      ticks.stop();
      box->OkButton()->click();
    } else if (started.elapsed() > 10000) {
      ticks.stop();
    }
  });
  ticks.start();
  QTest::mouseClick(view.Child<QPushButton>("Command1"), Qt::LeftButton);
  testing::WaitForJob(*view.window);
  ticks.stop();
  return seen;
}

// The window on `names` over `fs`, rule "增加前缀" with "x_" on every file, the preview
// settled (it reads the disk through `fs` too), and quick progress timings.
void Prepare(WindowOnDirectory& view, ProgressTimings timings) {
  view.window->findChild<BackgroundRun*>()->SetTimings(timings);
  QSignalSpy shown(view.window->findChild<Preview*>(), &Preview::Shown);
  view.PickRule(QStringLiteral("增加前缀"));
  view.SetType(QStringLiteral("*.*"));
  view.SetValue(QStringLiteral("x_"));
  QVERIFY(shown.wait(5000));
}

QString Entry(const WindowOnDirectory& view, const QString& name, const QString& reason) {
  const QString prefix = view.Path() + QStringLiteral("/");
  return prefix + name + QStringLiteral(" -> ") + prefix + QStringLiteral("x_") + name +
         QStringLiteral("(") + reason + QStringLiteral(")\n\r");
}

QString Cancelled(std::uint64_t left) {
  return QString::fromStdU16String(CancelledLine(left)) + QStringLiteral("\n\r");
}

// The names on disk after the first `renamed` of `names` got the prefix.
// The old names of the renames tried, in the order the run tried them: a run may take
// the files in the directory's order rather than the list's.
class RenameLog {
 public:
  /// Notes a rename; returns how many were tried, this one included.
  int Add(const std::string& from) {
    const std::lock_guard<std::mutex> lock(mutex_);
    tried_ << QString::fromStdString(from);
    return static_cast<int>(tried_.size());
  }
  int Count() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(tried_.size());
  }
  QStringList Tried() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return tried_;
  }

 private:
  mutable std::mutex mutex_;
  QStringList tried_;
};

// The folder after a run that tried the renames of `log`, all but `failed` done.
QStringList ExpectedEntries(const QStringList& names, const RenameLog& log,
                            const QString& failed = {}) {
  const QStringList tried = log.Tried();
  QStringList expected;
  for (const QString& name : names) {
    const bool done = tried.contains(name) && name != failed;
    expected << (done ? QStringLiteral("x_") : QString()) + name;
  }
  expected.sort();
  return expected;
}

// The folder after a run that renamed every file but `failed`.
QStringList AllRenamed(const QStringList& names, const QString& failed = {}) {
  QStringList expected;
  for (const QString& name : names) {
    expected << (name != failed ? QStringLiteral("x_") : QString()) + name;
  }
  expected.sort();
  return expected;
}

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
    const testing::SeenBox undone = testing::CatchMessageBox([&] {
      QTest::mouseClick(undo, Qt::LeftButton);
      testing::WaitForJob(*view.window);
    });
    QVERIFY2(!undone.shown, qPrintable(undone.text));
    QCOMPARE(view.Entries(), names);
  }

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
    QTRY_COMPARE(testing::Caption(view),
                 QStringLiteral("选择文件：已改名 0 个文件，38 个因取消未处理"));
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
    QVERIFY(testing::WaitForJob(*view.window));
    QCOMPARE(view.Entries(), AllRenamed(names));
    QCOMPARE(view.window->FileListItem(0), u"x_f00.txt");
    QVERIFY(run->isEnabled());
    QVERIFY(view.Child<QGroupBox>("Frame3")->isEnabled());
  }

  // Should the program's event loop end, or the window go, while a run works, the run is
  // cancelled after the file being renamed and waited for.
  void theProgramsEndCancelsTheRunAndWaitsForIt_data() {
    testing::AddWayRows({"loop ends", "window deleted"});
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
      QCOMPARE(testing::RunLoop([] { QCoreApplication::exit(0); }), 0);
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

QTEST_MAIN(renamer::ui::ProgressTest)
#include "progress_test.moc"
