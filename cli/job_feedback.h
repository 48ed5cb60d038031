#pragma once

#include <atomic>
#include <thread>

#include "engine/run/run_control.h"

namespace renamer::cli {

/// While it lives: Ctrl+C asks `control` to cancel, as 取消 does in the window (a second
/// Ctrl+C ends the program as usual), and on a terminal a progress bar on standard error
/// says how far the job is.
class JobFeedback {
 public:
  JobFeedback(RunControl& control, bool progressBar);
  ~JobFeedback();
  JobFeedback(const JobFeedback&) = delete;
  JobFeedback& operator=(const JobFeedback&) = delete;

  /// True once Ctrl+C was pressed.
  bool Interrupted() const;

 private:
  void Draw() const;
  RunControl& control_;
  std::atomic<bool> finished_{false};
  std::thread painter_;
};

}  // namespace renamer::cli
