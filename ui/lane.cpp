#include "ui/lane.h"

#include <sys/resource.h>

namespace renamer::ui {

Lane::Lane(Priority priority) : thread_([this, priority] { Loop(priority); }) {}

Lane::~Lane() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void Lane::Post(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    ++unfinished_;
  }
  changed_.notify_all();
}

void Lane::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return unfinished_ == 0; });
}

void Lane::Loop(Priority priority) {
  // On Linux a nice value is the calling thread's own. The lowest still gets its turn,
  // so nothing waits for ever on a lock the freeing holds.
  if (priority == Priority::kLowest) ::setpriority(PRIO_PROCESS, 0, 19);
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    if (queue_.empty()) return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    work();
    // What the work held goes here, not on the thread that posted it.
    work = nullptr;
    lock.lock();
    --unfinished_;
    changed_.notify_all();
  }
}

Lane& FreeingLane() {
  static Lane lane(Lane::Priority::kLowest);
  return lane;
}

}  // namespace renamer::ui
