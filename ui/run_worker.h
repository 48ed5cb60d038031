#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "engine/run_control.h"

namespace renamer::ui {

/// A job for the worker: it reports its progress to the RunControl it is given, stops
/// when that asks, and returns the text the window shows afterwards.
using RunJob = std::function<std::u16string(RunControl&)>;

/// Runs one job at a time on a thread of its own, so that the window keeps turning
/// while the job waits for the disk.
class RunWorker : public QObject {
  Q_OBJECT

 public:
  explicit RunWorker(QObject* parent = nullptr);
  /// Asks a job still running to stop and waits for it.
  ~RunWorker() override;

  /// Starts `job` with fresh counters; false, and nothing started, while a job runs.
  bool Start(RunJob job);
  /// True from Start until the job's thread has been joined.
  bool Running() const { return thread_.joinable(); }
  /// Waits for the running job without the event loop and returns its result; when no
  /// job runs, the result of the last one. Finished is not emitted for it.
  std::u16string Wait();

  /// The counters and the cancel flag of the job running now, or of the last one.
  RunControl& Control() { return control_; }

 signals:
  /// On the thread that owns the worker, after the job returned and its thread ended.
  void Finished(const std::u16string& result);

 private:
  void Join(std::uint64_t job);

  RunControl control_;
  std::u16string result_;
  /// Counts jobs, so that the end of one that Wait() collected is not taken for the next.
  std::uint64_t jobs_ = 0;
  std::thread thread_;
};

}  // namespace renamer::ui
