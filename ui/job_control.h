#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "engine/run/job_outcome.h"
#include "engine/run/run_control.h"
#include "ui/folder_reader.h"
#include "ui/lane.h"
#include "ui/progress_window.h"

class QWidget;

namespace renamer::ui {

class DirectoryWatcher;
class FileListModel;
class FolderReader;
class Preview;
class UndoControl;

/// The parts of the main window that a job locks while it works and brings up to date
/// afterwards.
struct JobWindow {
  QWidget& window;
  /// The same window as the engine sees it: the lists and fields a run reads and writes.
  WindowPort& port;
  RenameEngine& engine;
  FileListModel& files;
  Preview& preview;
  DirectoryWatcher& watcher;
  FolderReader& reader;
  UndoControl& undo;
  /// Disabled while a job works: what a job reads, and what would start another.
  std::vector<QWidget*> locked;
};

/// Runs the window's jobs, a rename run and an undo, one at a time on a lane of their own.
/// Starting one returns at once. While it works the locked parts and the undo button
/// are disabled, the window ignores drops and its close box, the folder is not watched
/// and the preview waits; the busy cursor shows, and after a moment a progress window
/// over the window with "取消", which reads the job's counters. Once the job has
/// returned, the folder is watched again and shows the listing the lane made, and the
/// list what the job did; only once that is on the screen is the window enabled again
/// and the undo button read again, so that no second "确定" can start on what was shown
/// before. Then Finished tells the report. A run is held to the prediction the list
/// shows of exactly what it reads. Should the program's event loop end first, the job
/// is cancelled and waited for, and the window brought up to date without a report.
class JobControl : public QObject {
  Q_OBJECT

 public:
  explicit JobControl(JobWindow window, QObject* parent = nullptr);
  /// A job still running is cancelled and waited for: it works on the engine.
  ~JobControl() override;

  /// Starts a rename run of the files of `folder` on the engine's request, taken from
  /// the window now; false, and nothing started, while a job runs.
  bool StartRun(const std::u16string& folder);
  /// Starts taking back exactly the run `offer` names, then lists `folder` again; false,
  /// and nothing started, while a job runs.
  bool StartUndo(const UndoOffer& offer, const std::u16string& folder);

  /// True from a start until the window is enabled again after the job.
  bool Running() const { return running_; }

  void SetTimings(const ProgressTimings& timings) { timings_ = timings; }

 signals:
  /// The job ended with `report` (empty when there is nothing to tell), and `outcome`,
  /// what it did, when it tried any file. The window is up to date and enabled again.
  void Finished(const std::u16string& report, const std::shared_ptr<const JobOutcome>& outcome);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  /// What a job reads and leaves besides the engine: its own, shared with the lane.
  struct Job {
    std::u16string folder;
    /// A run's request; its string text holds the last running number afterwards.
    std::optional<RunRequest> request;
    /// The folder listed after the job, without types.
    FolderFiles files;
    std::optional<JobOutcome> outcome;
  };

  /// Does the work of a job on the lane and returns its report.
  using JobWork = std::function<std::u16string(RenameEngine& engine, Job& job)>;

  /// Locks the window for a job of `folder`, hands the engine the job's counters and posts
  /// `work` to the lane; there, the folder is listed for the window after it.
  void Start(const QString& title, const std::u16string& folder, std::optional<RunRequest> request,
             JobWork work);
  /// The job numbered `job` returned `report`, unless Stop() collected it.
  void Finish(std::uint64_t job, const std::u16string& report);
  /// Cancels the job under way and waits for it without the event loop.
  void Stop();
  void ShowProgress();
  /// Removes the progress window or the busy cursor of the job that ended.
  void EndProgress();
  /// The list shows what the job did: the window is enabled again, and Finished follows.
  void ListShown();
  /// The program's event loop ends while a job works.
  void Abandon();
  /// Brings the window's lists up to date after the job, the list to show what the job
  /// did, and returns that.
  std::shared_ptr<const JobOutcome> AfterJob();
  /// Locks the window for a job, or enables it again afterwards.
  void SetLocked(bool locked);

  JobWindow window_;
  ProgressTimings timings_;
  QTimer showTimer_;
  QString title_;
  QPointer<ProgressWindow> progress_;
  /// The counters and the cancel flag of the job under way, or of the last one.
  RunControl control_;
  std::shared_ptr<Job> job_;
  /// Counts jobs, so that the result of one that Stop() collected is not taken for it.
  std::uint64_t jobs_ = 0;
  /// The outcome of the last job, as the preview was handed it.
  std::shared_ptr<const JobOutcome> shown_;
  /// The job has returned; the window waits for the list to show what it did, then
  /// tells this report.
  bool awaitingList_ = false;
  std::u16string report_;
  std::shared_ptr<const JobOutcome> outcome_;
  bool running_ = false;
  QPointer<QWidget> focusBeforeJob_;
  /// Last, so that it ends first: its job uses the counters and the job above.
  Lane lane_;
};

}  // namespace renamer::ui
