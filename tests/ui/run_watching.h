#pragma once

// What the window tests of long runs share: files to rename, a run watched through its
// progress window and its report, and the folder expected afterwards.

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "engine/run/report.h"
#include "tests/support/faulty_file_system.h"
#include "tests/ui/main_window_support.h"
#include "ui/job_control.h"
#include "ui/message_box.h"
#include "ui/preview.h"
#include "ui/progress_window.h"

namespace renamer::ui::testing {

using renamer::testing::FaultyFileSystem;

inline constexpr int kPass = FaultyFileSystem::kPass;

inline QStringList Numbered(int count) {
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
inline Seen RunWatching(const WindowOnDirectory& view,
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
  WaitForJob(*view.window);
  ticks.stop();
  return seen;
}

// The window on `names` over `fs`, rule "增加前缀" with "x_" on every file, the preview
// settled (it reads the disk through `fs` too), and quick progress timings.
inline void Prepare(WindowOnDirectory& view, ProgressTimings timings) {
  view.window->findChild<JobControl*>()->SetTimings(timings);
  QSignalSpy shown(view.window->findChild<Preview*>(), &Preview::Shown);
  view.PickRule(QStringLiteral("增加前缀"));
  view.SetType(QStringLiteral("*.*"));
  view.SetValue(QStringLiteral("x_"));
  QVERIFY(shown.wait(5000));
}

inline QString Entry(const WindowOnDirectory& view, const QString& name, const QString& reason) {
  const QString prefix = view.Path() + QStringLiteral("/");
  return prefix + name + QStringLiteral(" -> ") + prefix + QStringLiteral("x_") + name +
         QStringLiteral("(") + reason + QStringLiteral(")\n\r");
}

inline QString Cancelled(std::uint64_t left) {
  return QString::fromStdU16String(CancelledLine(left)) + QStringLiteral("\n\r");
}

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
inline QStringList ExpectedEntries(const QStringList& names, const RenameLog& log,
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
inline QStringList AllRenamed(const QStringList& names, const QString& failed = {}) {
  QStringList expected;
  for (const QString& name : names) {
    expected << (name != failed ? QStringLiteral("x_") : QString()) + name;
  }
  expected.sort();
  return expected;
}

}  // namespace renamer::ui::testing
