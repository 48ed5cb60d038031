#include "ui/run_worker.h"

#include <utility>

namespace renamer::ui {

RunWorker::RunWorker(QObject* parent) : QObject(parent) {}

RunWorker::~RunWorker() {
  if (!Running()) return;
  control_.cancel = true;
  thread_.join();
}

bool RunWorker::Start(RunJob job) {
  if (Running()) return false;
  control_.cancel = false;
  control_.done = 0;
  control_.total = 0;
  control_.callSince = 0;
  result_.clear();
  const std::uint64_t number = ++jobs_;
  thread_ = std::thread([this, number, job = std::move(job)] {
    result_ = job(control_);
    // The window's thread joins the thread that is now ending, once it gets there; the
    // call is dropped if the worker is gone by then (its destructor joined already).
    QMetaObject::invokeMethod(
        this, [this, number] { Join(number); }, Qt::QueuedConnection);
  });
  return true;
}

std::u16string RunWorker::Wait() {
  if (Running()) thread_.join();
  return result_;
}

void RunWorker::Join(std::uint64_t job) {
  // Wait() may have collected this job already, and another may run now.
  if (job != jobs_ || !Running()) return;
  thread_.join();
  emit Finished(result_);
}

}  // namespace renamer::ui
