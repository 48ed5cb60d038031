#include "ui/lane.h"

#include <sys/resource.h>

namespace renamer::ui {

Lane::Lane(Priority priority) : priority_(priority) {}

// Each thread joins the one before it, so the last one is all that is left to join.
Lane::~Lane() {
  Wait();
  if (thread_.joinable()) thread_.join();
}

void Lane::Post(std::function<void()> work) {
  const std::lock_guard lock(mutex_);
  queue_.push_back(std::move(work));
  if (busy_) return;
  busy_ = true;
  // The thread of the last busy spell may still be on its way out, at the lowest
  // priority perhaps: the new one waits for it, not the window.
  thread_ = std::thread(&Lane::Loop, this, std::move(thread_));
}

void Lane::Wait() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !busy_; });
}

void Lane::Loop(std::thread previous) {
  if (previous.joinable()) previous.join();
  // On Linux a nice value is the calling thread's own. The lowest still gets its turn,
  // so nothing waits for ever on a lock the freeing holds.
  if (priority_ == Priority::kLowest) ::setpriority(PRIO_PROCESS, 0, 19);
  std::unique_lock lock(mutex_);
  while (!queue_.empty()) {
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    work();
    // What the work held goes here, not on the thread that posted it.
    work = nullptr;
    lock.lock();
  }
  busy_ = false;
  idle_.notify_all();
}

Lane& FreeingLane() {
  static Lane lane(Lane::Priority::kLowest);
  return lane;
}

}  // namespace renamer::ui
