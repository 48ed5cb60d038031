#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace renamer {

/// What a run working on another thread shares with the window that waits for it:
/// how far it is, whether a system call is taking long, and the wish to stop.
struct RunControl {
  /// Set by the window; the run stops before its next file.
  std::atomic<bool> cancel{false};
  /// Files handled so far, of `total`.
  std::atomic<std::uint64_t> done{0};
  std::atomic<std::uint64_t> total{0};
  /// Steady-clock time in nanoseconds at which the system call now running began;
  /// 0 between calls.
  std::atomic<std::int64_t> callSince{0};

  /// How long the system call now running has taken, or zero.
  std::chrono::nanoseconds CallDuration() const {
    const std::int64_t since = callSince.load();
    if (since == 0) return {};
    return std::chrono::steady_clock::now().time_since_epoch() - std::chrono::nanoseconds(since);
  }
};

/// Marks one system call of a run in `control` (which may be null) while it lives.
class CallTimer {
 public:
  explicit CallTimer(RunControl* control) : control_(control) {
    if (control_ != nullptr) {
      control_->callSince.store(std::chrono::steady_clock::now().time_since_epoch().count() | 1);
    }
  }
  ~CallTimer() {
    if (control_ != nullptr) control_->callSince.store(0);
  }
  CallTimer(const CallTimer&) = delete;
  CallTimer& operator=(const CallTimer&) = delete;

 private:
  RunControl* control_;
};

}  // namespace renamer
