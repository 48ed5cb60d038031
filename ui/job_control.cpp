#include "ui/job_control.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <utility>

#include "ui/background_run.h"
#include "ui/directory_watcher.h"
#include "ui/file_list_model.h"
#include "ui/folder_reader.h"
#include "ui/lane.h"
#include "ui/preview.h"
#include "ui/undo_control.h"

namespace renamer::ui {

JobControl::JobControl(JobWindow window, QObject* parent)
    : QObject(parent), window_(std::move(window)) {
  background_ = new BackgroundRun(window_.window, this);
  connect(background_, &BackgroundRun::Finished, this, &JobControl::Finish);
  connect(&window_.preview, &Preview::Shown, this, &JobControl::ListShown);
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &JobControl::Abandon);
  window_.window.installEventFilter(this);
}

// The worker's job is cancelled and waited for as its BackgroundRun goes, before the
// engine that it works on.
JobControl::~JobControl() { delete background_; }

bool JobControl::StartRun(const std::u16string& folder) {
  // The run reads what it is handed, never the widgets, and writes the running number
  // into it. The names are the list's own, shared: copying 100,000 of them would stop
  // the window at the press of the button. It is held to the prediction on the screen,
  // which may have been made from what was read of the files before they changed.
  RunRequest request = window_.engine.Request();
  request.shown = window_.preview.ShownFor(request);
  return Start(QStringLiteral("正在改名"), folder, std::move(request),
               [](RenameEngine& engine, Job& job) {
                 std::u16string report = engine.RenameFiles(*job.request);
                 job.outcome = OutcomeOfRun(job.request->path, engine.Plan);
                 job.outcome->stalePreview = job.request->differsFromShown;
                 return report;
               });
}

bool JobControl::StartUndo(const UndoOffer& offer, const std::u16string& folder) {
  return Start(
      QStringLiteral("正在撤销"), folder, std::nullopt,
      [offer](RenameEngine& engine, Job& job) { return engine.UndoRun(offer, &job.outcome); });
}

bool JobControl::Start(const QString& title, const std::u16string& folder,
                       std::optional<RunRequest> request, Work work) {
  // One job at a time: the engine is the worker's until it returns.
  if (running_) return false;
  job_ = std::make_shared<Job>();
  job_->folder = folder;
  job_->request = std::move(request);
  Lock();
  background_->Start(
      title, [engine = &window_.engine, job = job_, work = std::move(work)](RunControl& control) {
        engine->SetRunControl(&control);
        std::u16string report = work(*engine, *job);
        engine->SetRunControl(nullptr);
        // Listing a large folder again would stop the window for a moment; the worker
        // does it while it is here anyway.
        job->listing = ListNames(engine->Files(), job->folder, EntryKind::kFiles, nullptr,
                                 &job->places, &job->where);
        return report;
      });
  return true;
}

void JobControl::Finish(const std::u16string& report) {
  outcome_ = AfterJob();
  report_ = report;
  awaitingList_ = true;
  // The window stays locked until the list shows what the job did, which it computes
  // now rather than after the pause for edits.
  window_.preview.SetPaused(false);
  window_.preview.PredictNow();
}

void JobControl::ListShown() {
  if (!awaitingList_) return;
  awaitingList_ = false;
  Unlock();
  emit Finished(std::exchange(report_, {}), std::exchange(outcome_, nullptr));
}

void JobControl::Abandon() {
  if (!running_) return;
  // Its report would open a box while the program ends; no one is left to read it.
  if (!awaitingList_) {
    background_->Stop();
    AfterJob();
  }
  awaitingList_ = false;
  report_.clear();
  outcome_.reset();
  Unlock();
}

std::shared_ptr<const JobOutcome> JobControl::AfterJob() {
  std::shared_ptr<Job> job = std::exchange(job_, nullptr);
  window_.watcher.Watch(job->folder);
  if (job->outcome && job->outcome->path == window_.files.Path())
    window_.files.FollowRenames(job->outcome->changes);
  window_.files.SetNames(job->folder, std::move(job->listing), std::move(job->places),
                         std::move(job->where));
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

void JobControl::Lock() {
  focusBeforeJob_ = window_.window.focusWidget();
  running_ = true;
  // Our own renames are no news; the folder is listed once after the job, and what a
  // reread under way finds would be older than that.
  window_.watcher.Watch({});
  window_.reader.Drop();
  window_.preview.SetPaused(true);
  for (QWidget* part : window_.locked) part->setEnabled(false);
  window_.undo.SetBusy(true);
  window_.window.setAcceptDrops(false);
}

void JobControl::Unlock() {
  for (QWidget* part : window_.locked) part->setEnabled(true);
  window_.undo.SetBusy(false);
  // A run leaves a run to undo, an undo the one before.
  window_.undo.Refresh();
  window_.window.setAcceptDrops(true);
  running_ = false;
  window_.preview.SetPaused(false);
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
