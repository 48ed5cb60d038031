#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace renamer::ui {

/// The one way work leaves the window's thread: a thread that does what is posted to
/// the lane one piece after the other, in the order posted, and hands results back to
/// the thread that made the lane. A run waits for the disk there, a prediction or a
/// listing of 100,000 names takes longer than the window may stand still. The thread
/// starts when work comes to an idle lane and ends once the lane is idle again, as a
/// thread made for the work would: an idle window holds no threads, and the work runs
/// with the rights that the posting thread has then (Linux keeps capabilities per
/// thread).
class Lane : public QObject {
 public:
  enum class Priority { kNormal, kLowest };

  explicit Lane(Priority priority = Priority::kNormal);
  /// Does what was posted and waits for its thread; results not yet handed back are
  /// dropped.
  ~Lane() override;

  /// Runs `work` on the lane.
  void Post(std::function<void()> work);
  /// Runs `work` on the lane, then `then` with its result on the thread that made the
  /// lane, unless `context` is gone by then.
  template <typename Work, typename Then>
  void Post(QObject* context, Work work, Then then) {
    Post([this, context = QPointer<QObject>(context), work = std::move(work),
          then = std::move(then)]() mutable {
      auto result = work();
      // Posted to the lane, which outlives its thread, and only there asked whether the
      // context still lives: it goes on the same thread.
      QMetaObject::invokeMethod(
          this,
          [context = std::move(context), then = std::move(then),
           result = std::move(result)]() mutable {
            if (context != nullptr) then(std::move(result));
          },
          Qt::QueuedConnection);
    });
  }
  /// Blocks, without the event loop, until everything posted so far has been done.
  void Wait();

 private:
  void Loop(std::thread previous);

  const Priority priority_;
  std::mutex mutex_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> queue_;
  /// From the first piece posted to an idle lane until the queue is empty again.
  bool busy_ = false;
  std::thread thread_;
};

/// The lane that frees for the window, at the lowest priority: freeing can wait, and a
/// thread freeing 100,000 names at the window's own priority takes half of a two-core
/// machine's time from the window while a run or a prediction has the other half. It
/// lives until the program's end, after the last window: what is queued is freed.
Lane& FreeingLane();

/// Destroys `value` on the freeing lane instead of the calling thread: freeing the names
/// of 100,000 files takes longer than the window may stand still.
template <typename T>
void FreeElsewhere(T value) {
  FreeingLane().Post([held = std::move(value)]() mutable { const T gone = std::move(held); });
}

}  // namespace renamer::ui
