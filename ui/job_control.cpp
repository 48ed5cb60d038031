#include "ui/job_control.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <utility>

#include "engine/undo/undo_report.h"
#include "ui/directory_watcher.h"
#include "ui/file_list_model.h"
#include "ui/folder_reader.h"
#include "ui/lane.h"
#include "ui/preview.h"
#include "ui/undo_control.h"

namespace renamer::ui {

JobControl::JobControl(JobWindow window, QObject* parent)
    : QObject(parent), window_(std::move(window)) {
  showTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, &JobControl::ShowProgress);
  connect(&window_.preview, &Preview::Shown, this, &JobControl::ListShown);
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &JobControl::Abandon);
  window_.window.installEventFilter(this);
}

// The job is cancelled and waited for before the engine that it works on goes.
JobControl::~JobControl() {
  if (job_ != nullptr) Stop();
}

bool JobControl::StartRun(const std::u16string& folder) {
  // One job at a time: the engine is the lane's until it returns.
  if (running_) return false;
  // The run reads what it is handed, never the widgets, and writes the running number
  // into it. The names are the list's own, shared: copying 100,000 of them would stop
  // the window at the press of the button. It is held to the prediction on the screen,
  // which may have been made from what was read of the files before they changed.
  RunRequest request = window_.engine.Request();
  request.shown = window_.preview.ShownFor(request);
  Start(QStringLiteral("正在改名"), folder, std::move(request), [](RenameEngine& engine, Job& job) {
    job.outcome = engine.RenameFiles(*job.request);
    return RunReport(*job.outcome);
  });
  return true;
}

bool JobControl::StartUndo(const UndoOffer& offer, const std::u16string& folder) {
  if (running_) return false;
  Start(QStringLiteral("正在撤销"), folder, std::nullopt, [offer](RenameEngine& engine, Job& job) {
    JobOutcome outcome = engine.UndoRun(offer);
    std::u16string report = UndoReport(outcome);
    // An undo that stopped before the first file has nothing for the list to show.
    if (outcome.stop == Stop::kNone) job.outcome = std::move(outcome);
    return report;
  });
  return true;
}

void JobControl::Start(const QString& title, const std::u16string& folder,
                       std::optional<RunRequest> request, JobWork work) {
  job_ = std::make_shared<Job>();
  job_->folder = folder;
  job_->request = std::move(request);
  ++jobs_;
  focusBeforeJob_ = window_.window.focusWidget();
  // Our own renames are no news; the folder is listed once after the job, and what a
  // reread under way finds would be older than that.
  window_.watcher.Watch({});
  window_.reader.Drop();
  SetLocked(true);
  control_.cancel = false;
  control_.done = 0;
  control_.total = 0;
  control_.callSince = 0;
  window_.engine.SetRunControl(&control_);
  title_ = title;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  showTimer_.start(timings_.showAfter);
  lane_.Post(
      this,
      [&engine = window_.engine, &job = *job_, work = std::move(work)] {
        std::u16string report = work(engine, job);
        engine.SetRunControl(nullptr);
        // Listing a large folder again would stop the window for a moment; the lane does it
        // while the job is there anyway.
        job.files.names = ListNames(engine.Files(), job.folder, EntryKind::kFiles, nullptr,
                                    &job.files.places, &job.files.where);
        return report;
      },
      [this, number = jobs_](const std::u16string& report) { Finish(number, report); });
}

void JobControl::Finish(std::uint64_t job, const std::u16string& report) {
  if (job != jobs_) return;
  EndProgress();
  outcome_ = AfterJob();
  report_ = report;
  awaitingList_ = true;
  // The window stays locked until the list shows what the job did, which it computes
  // now rather than after the pause for edits.
  window_.preview.SetPaused(false);
  window_.preview.PredictNow();
}

void JobControl::Stop() {
  control_.cancel = true;
  lane_.Wait();
  // Its result is on its way to Finish, which is not to take it.
  ++jobs_;
  EndProgress();
}

void JobControl::ShowProgress() {
  auto* progress = new ProgressWindow(title_, control_, timings_, &window_.window);
  // The busy cursor stays on the window that is busy; the progress window shows the
  // normal one, so that "取消" can be clicked.
  QApplication::restoreOverrideCursor();
  window_.window.setCursor(Qt::WaitCursor);
  progress_ = progress;
  progress->show();
}

void JobControl::EndProgress() {
  showTimer_.stop();
  if (progress_ != nullptr) {
    delete progress_.data();
    window_.window.unsetCursor();
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void JobControl::ListShown() {
  if (!awaitingList_) return;
  awaitingList_ = false;
  SetLocked(false);
  emit Finished(std::exchange(report_, {}), std::exchange(outcome_, nullptr));
}

void JobControl::Abandon() {
  if (!running_) return;
  // Its report would open a box while the program ends; no one is left to read it.
  if (!awaitingList_) {
    Stop();
    AfterJob();
  }
  awaitingList_ = false;
  report_.clear();
  outcome_.reset();
  SetLocked(false);
}

std::shared_ptr<const JobOutcome> JobControl::AfterJob() {
  std::shared_ptr<Job> job = std::exchange(job_, nullptr);
  window_.watcher.Watch(job->folder);
  if (job->outcome && job->outcome->path == window_.files.Path())
    window_.files.FollowRenames(job->outcome->changes);
  window_.files.SetNames(job->folder, std::move(job->files));
  // The last running number, drawn once rather than once per file.
  if (job->request && job->request->stringText != window_.port.StringFieldText()) {
    window_.port.SetStringFieldText(job->request->stringText);
  }
  // The request holds the names listed before the job: 100,000 of them are freed on a
  // worker, not here.
  std::optional<JobOutcome> done = std::move(job->outcome);
  FreeElsewhere(std::move(job));
  if (!done) return nullptr;
  auto outcome = std::make_shared<const JobOutcome>(std::move(*done));
  // The preview lets go of the outcome it showed before, a name or two for every file
  // that job tried, where it stands; holding it here too leaves the last hold to a worker.
  std::shared_ptr<const JobOutcome> previous = std::exchange(shown_, outcome);
  window_.preview.ShowOutcome(outcome);
  FreeElsewhere(std::move(previous));
  return outcome;
}

void JobControl::SetLocked(bool locked) {
  running_ = locked;
  window_.preview.SetPaused(locked);
  for (QWidget* part : window_.locked) part->setEnabled(!locked);
  window_.undo.SetBusy(locked);
  window_.window.setAcceptDrops(!locked);
  if (locked) return;
  // A run leaves a run to undo, an undo the one before.
  window_.undo.Refresh();
  if (focusBeforeJob_ != nullptr) focusBeforeJob_->setFocus();
}

bool JobControl::eventFilter(QObject* watched, QEvent* event) {
  // The close box does nothing while a job works; its progress window has "取消".
  if (event->type() == QEvent::Close && running_) {
    event->ignore();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace renamer::ui
