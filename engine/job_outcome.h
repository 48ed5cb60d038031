#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/prediction.h"
#include "engine/run_plan.h"

namespace renamer {

/// One file that a run or an undo tried to rename, and what became of it.
struct FileChange {
  std::u16string from;  ///< its name before
  std::u16string to;    ///< the name it was to get; empty when the rule gave none
  bool done = false;    ///< true when it got that name
  /// Why it did not, as the report words it; empty when done.
  std::u16string reason;
};

enum class JobKind { kRun, kUndo };

/// What a finished run or undo did, so that the window can show it until the next edit.
struct JobOutcome {
  JobKind kind = JobKind::kRun;
  /// The folder it worked in.
  std::u16string path;
  /// Every file it tried, in the order tried.
  std::vector<FileChange> changes;
  std::uint64_t done = 0;
  std::uint64_t failed = 0;
  /// Files a cancel left untried.
  std::uint64_t left = 0;
  /// A run that renamed nothing because the files had changed since the preview the
  /// window showed (see RunRequest::shown).
  bool stalePreview = false;
};

/// What the run of `plan` in `path` did; the plan as the run left it.
JobOutcome OutcomeOfRun(std::u16string path, const std::vector<PlannedRename>& plan);

/// One row per name of `listing`, the names of `listingPath` after the job: for a file
/// the job renamed, its name before (`oldName`) and after (`newName`) with kRenamed; for
/// one it could not rename, the name it was to get and why, with kFails; kNotSelected
/// for every other file, also for every file of a folder the job did not work in.
std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing);

}  // namespace renamer
