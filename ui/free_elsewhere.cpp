#include "ui/free_elsewhere.h"

#include <sys/resource.h>

namespace renamer::ui {
namespace {

class LowPriorityPool : public QThreadPool {
 public:
  LowPriorityPool() {
    // One thread that never ends, so that the priority it is given first stays.
    setMaxThreadCount(1);
    setExpiryTimeout(-1);
    // On Linux a nice value is the calling thread's own. The lowest still gets its
    // turn, so nothing waits for ever on a lock the freeing holds.
    start([] { ::setpriority(PRIO_PROCESS, 0, 19); });
  }
};

}  // namespace

QThreadPool& FreeingPool() {
  // Lives until the program's end, after the last window: what is queued is freed.
  static LowPriorityPool pool;
  return pool;
}

}  // namespace renamer::ui
