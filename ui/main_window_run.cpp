// The run command: the checks, then the run on the worker thread while the window
// stays responsive but cannot be changed under it.

#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/background_run.h"
#include "ui/directory_list.h"
#include "ui/directory_watcher.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/preview.h"
#include "ui/undo_control.h"

namespace renamer::ui {

void MainWindow::Command1_Click() {
  // From now on a wrong value is told as what it is, also in the caption.
  preview_->SetValueHint({});
  std::u16string message = CheckRunInput(engine_.ChgMode, ValueFieldText());
  if (message.empty()) message = RunRenaming();
  if (!message.empty()) ShowMessage(this, QString::fromStdU16String(message));
}

std::u16string MainWindow::RunRenaming() {
  // The run reads what it is handed, never the widgets, and writes the running number
  // into it.
  RunRequest request = engine_.Request();
  const std::u16string before = request.stringText;
  std::optional<JobOutcome> outcome;
  std::u16string report = RunInBackground(
      QStringLiteral("正在改名"),
      [this, &request](std::optional<JobOutcome>& done) {
        std::u16string result = engine_.RenameFiles(request);
        done = OutcomeOfRun(request.path, engine_.Plan);
        return result;
      },
      outcome);
  // The last running number, drawn once rather than once per file.
  if (request.stringText != before) SetStringFieldText(request.stringText);
  if (outcome) preview_->ShowOutcome(std::make_shared<const JobOutcome>(std::move(*outcome)));
  return report;
}

void MainWindow::Command3_Click() {
  if (running_) return;
  // Exactly the run the tooltip names; the engine says so when another program has
  // changed what there is to undo since.
  const std::optional<UndoOffer> offer = undo_->Offer();
  if (!offer) return;
  std::optional<JobOutcome> outcome;
  const std::u16string report = RunInBackground(
      QStringLiteral("正在撤销"),
      [this, &offer](std::optional<JobOutcome>& done) { return engine_.UndoRun(*offer, &done); },
      outcome);
  if (outcome) preview_->ShowOutcome(std::make_shared<const JobOutcome>(std::move(*outcome)));
  if (!report.empty()) ShowMessage(this, QString::fromStdU16String(report));
}

std::u16string MainWindow::RunInBackground(
    const QString& title,
    const std::function<std::u16string(std::optional<JobOutcome>& outcome)>& job,
    std::optional<JobOutcome>& outcome) {
  // One job at a time: the engine is the worker's until it returns.
  if (running_) return {};
  const std::u16string path = Dir1->Path();
  std::vector<std::u16string> listing;
  SetRunning(true);
  std::u16string report =
      background_->Run(title, [this, &path, &listing, &job, &outcome](RunControl& control) {
        engine_.SetRunControl(&control);
        std::u16string result = job(outcome);
        engine_.SetRunControl(nullptr);
        // Listing a large folder again would stop the window for a moment; the worker
        // does it while it is here anyway.
        listing = engine_.ListFiles(path);
        return result;
      });
  watcher_->Watch(path);
  ShowListing(path, std::move(listing));
  SetRunning(false);
  // A run leaves a run to undo, an undo the one before.
  undo_->Refresh();
  return report;
}

void MainWindow::SetRunning(bool running) {
  if (running) {
    focusBeforeRun_ = focusWidget();
    running_ = true;
    // Our own renames are no news; the folder is listed once after the run.
    watcher_->Watch({});
    preview_->SetPaused(true);
  }
  for (QWidget* part :
       {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3),
        static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2)}) {
    part->setEnabled(!running);
  }
  // Enabled again by what the run leaves to undo.
  undo_->SetBusy(running);
  setAcceptDrops(!running);
  if (running) return;
  running_ = false;
  preview_->SetPaused(false);
  if (focusBeforeRun_ != nullptr) focusBeforeRun_->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace renamer::ui
