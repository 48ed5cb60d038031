#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/disk/file_system.h"
#include "engine/run/job_outcome.h"
#include "engine/run/run_plan.h"
#include "engine/run/run_request.h"

namespace renamer {

enum class PredictedOutcome { kRenamed, kUnchanged, kNotSelected, kFails };

/// What a run would do to one listed file.
struct PredictedRename {
  std::u16string oldName;  ///< as listed
  /// The whole new file name the rule gives; empty when it gives none or the file is
  /// not selected.
  std::u16string newName;
  PredictedOutcome outcome = PredictedOutcome::kNotSelected;
  /// For kFails: the description the report would put in its entry; empty otherwise.
  std::u16string reason;
};

/// What a run would do, file by file.
struct RunPrediction {
  /// One per listed file, in listing order.
  std::vector<PredictedRename> files;
  /// The message the run would return instead of renaming anything (an unreadable
  /// modification time); empty otherwise. Then no file has a new name.
  std::u16string message;
  /// Counted while the files were filled in: those that pass the type filter, and of
  /// them those that would be renamed and those that would fail.
  std::size_t selected = 0;
  std::size_t renamed = 0;
  std::size_t fails = 0;
  /// Listed files left unchecked, whatever their type.
  std::size_t unchecked = 0;
  /// For a request that asks for them (RunRequest::shownTimes), the time of each listed
  /// file in that ordering, in listing order, shared from one prediction to the next
  /// while they stay the same; null when not asked for or not read.
  std::shared_ptr<const std::vector<CaptureTime>> times;
};

/// What a run of `request` would do on `fs` as it is now: the run's own steps on a
/// simulated copy of the directory. Changes nothing: besides the listing it reads the
/// status of a few names, where only the file system can tell whether it takes two
/// spellings for one name.
RunPrediction Predict(FileSystem& fs, const RunRequest& request);

/// Predicts again and again for one listing, keeping what has not changed from one
/// prediction to the next: the directory's entries, how its file system compares
/// letter case, what the run's fill would read of each listed file and, for one shared
/// list, the time order. A keystroke then costs only the new names and their check
/// against the entries. Use it from one thread at a time.
class PredictionCache {
 public:
  PredictionCache();
  ~PredictionCache();
  PredictionCache(const PredictionCache&) = delete;
  PredictionCache& operator=(const PredictionCache&) = delete;

  /// As Predict(). What it keeps is used again while `request` lists the same names in
  /// the same directory and the directory's modification time says that its entries
  /// are as they were; the time order only for the very same shared list, as times
  /// change without the directory. What was read of the checked files serves while no
  /// other file is checked.
  RunPrediction Predict(FileSystem& fs, const RunRequest& request);

 private:
  struct Basis;
  std::unique_ptr<Basis> basis_;
};

/// One row per name of `listing`, the names of `listingPath` after the job: for a file
/// the job renamed, its name before (`oldName`) and after (`newName`) with kRenamed; for
/// one it could not rename, the name it was to get and why, with kFails; kNotSelected
/// for every other file, also for every file of a folder the job did not work in.
std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing);

}  // namespace renamer
