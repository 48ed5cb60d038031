#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/job_outcome.h"
#include "engine/prediction.h"
#include "engine/run_plan.h"

namespace renamer {

/// What the run of `plan` in `path` did; the plan as the run left it.
JobOutcome OutcomeOfRun(std::u16string path, const std::vector<PlannedRename>& plan);

/// One row per name of `listing`, the names of `listingPath` after the job: for a file
/// the job renamed, its name before (`oldName`) and after (`newName`) with kRenamed; for
/// one it could not rename, the name it was to get and why, with kFails; kNotSelected
/// for every other file, also for every file of a folder the job did not work in.
std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing);

}  // namespace renamer
