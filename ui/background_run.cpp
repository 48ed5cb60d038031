#include "ui/background_run.h"

#include <QApplication>
#include <QWidget>

#include <utility>

#include "ui/progress_window.h"

namespace renamer::ui {

BackgroundRun::BackgroundRun(QWidget& owner, QObject* parent)
    : QObject(parent != nullptr ? parent : &owner), owner_(owner) {
  showTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, &BackgroundRun::ShowProgress);
  connect(&worker_, &RunWorker::Finished, this, [this](const std::u16string& report) {
    End();
    emit Finished(report);
  });
}

BackgroundRun::~BackgroundRun() { Stop(); }

bool BackgroundRun::Start(const QString& title, RunJob job) {
  if (!worker_.Start(std::move(job))) return false;
  title_ = title;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  showTimer_.start(timings_.showAfter);
  return true;
}

std::u16string BackgroundRun::Stop() {
  if (!worker_.Running()) return {};
  worker_.Control().cancel = true;
  std::u16string result = worker_.Wait();
  End();
  return result;
}

void BackgroundRun::End() {
  showTimer_.stop();
  if (progress_ != nullptr) {
    delete progress_.data();
    owner_.unsetCursor();
  } else {
    QApplication::restoreOverrideCursor();
  }
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
