#include "ui/background_run.h"

#include <QApplication>
#include <QEventLoop>
#include <QWidget>

#include <utility>

#include "ui/progress_window.h"

namespace renamer::ui {

BackgroundRun::BackgroundRun(QWidget& owner) : QObject(&owner), owner_(owner) {
  showTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, &BackgroundRun::ShowProgress);
}

BackgroundRun::~BackgroundRun() = default;

std::u16string BackgroundRun::Run(const QString& title, RunJob job) {
  if (!worker_.Start(std::move(job))) return {};
  title_ = title;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  showTimer_.start(timings_.showAfter);

  std::u16string result;
  QEventLoop loop;
  const QMetaObject::Connection finished =
      connect(&worker_, &RunWorker::Finished, &loop, [&](const std::u16string& report) {
        result = report;
        loop.quit();
      });
  loop.exec();
  disconnect(finished);
  // The loop also ends when the program quits; the job's data lives on the caller's
  // stack, so the job is stopped and waited for.
  if (worker_.Running()) {
    worker_.Control().cancel = true;
    result = worker_.Wait();
  }

  showTimer_.stop();
  if (progress_ != nullptr) {
    delete progress_.data();
    owner_.unsetCursor();
  } else {
    QApplication::restoreOverrideCursor();
  }
  return result;
}

void BackgroundRun::ShowProgress() {
  if (!worker_.Running()) return;
  auto* window = new ProgressWindow(title_, worker_.Control(), &owner_);
  window->SetRefreshInterval(timings_.refresh);
  window->SetWaitingAfter(timings_.waitingAfter);
  // The busy cursor stays on the window that is busy; the progress window shows the
  // normal one, so that "取消" can be clicked.
  QApplication::restoreOverrideCursor();
  owner_.setCursor(Qt::WaitCursor);
  progress_ = window;
  window->show();
  emit ProgressShown(window);
}

}  // namespace renamer::ui
