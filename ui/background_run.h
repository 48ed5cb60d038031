#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <string>

#include "ui/run_worker.h"

class QWidget;

namespace renamer::ui {

class ProgressWindow;

/// When the progress window of a long run appears and how it reads the run.
struct ProgressTimings {
  /// A run that ends sooner shows no progress window at all.
  std::chrono::milliseconds showAfter{500};
  /// How often the progress window reads the counters.
  std::chrono::milliseconds refresh{100};
  /// One system call taking this long makes the window say it waits for the disk.
  std::chrono::milliseconds waitingAfter{2000};
};

/// Runs a job of the window (a rename run, an undo) off the window's thread, shows the
/// busy cursor, and after a moment a progress window over `owner` with "取消".
class BackgroundRun : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundRun(QWidget& owner, QObject* parent = nullptr);
  /// A job still running is cancelled and waited for, as Stop() does.
  ~BackgroundRun() override;

  /// Starts `job` on the worker thread and returns at once; Finished follows once it
  /// has returned. The caller disables what the job must not see changed meanwhile.
  /// False, and nothing started, while a job runs.
  bool Start(const QString& title, RunJob job);
  /// Cancels the job running now and waits for it without the event loop; returns its
  /// result, and empty when no job runs. Finished is not emitted for it.
  std::u16string Stop();

  bool Running() const { return worker_.Running(); }

  void SetTimings(const ProgressTimings& timings) { timings_ = timings; }
  const ProgressTimings& Timings() const { return timings_; }

 signals:
  /// The progress window of the job now running has appeared.
  void ProgressShown(ProgressWindow* window);
  /// The job returned `report`; its progress window and the busy cursor are gone.
  void Finished(const std::u16string& report);

 private:
  void ShowProgress();
  /// Removes the progress window or the busy cursor of the job that ended.
  void End();

  QWidget& owner_;
  RunWorker worker_;
  ProgressTimings timings_;
  QTimer showTimer_;
  QString title_;
  QPointer<ProgressWindow> progress_;
};

}  // namespace renamer::ui
