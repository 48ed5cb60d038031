#pragma once

#include <vector>

#include "engine/preview/prediction.h"
#include "engine/run/run_plan.h"
#include "engine/run/run_request.h"

namespace renamer {

/// True when `plan`, the prejudged and untried plan of a run of `request` (see
/// PrejudgePlan), does to every listed file what `shown` said it would: a prediction of
/// the same listing that the window showed. Each file must get the same new name (which
/// also catches a changed time order through the running numbers) and what the plan
/// decides without the disk must be what was shown: unchanged, no new name, a bad name,
/// no longer a regular file, not taken at all. A rename still to be tried agrees with a
/// shown rename and with a shown failure that only the disk can give. A shown reason to
/// stop the run (an unreadable time) never agrees with a plan.
bool PlanKeepsToShown(const std::vector<PlannedRename>& plan, const RunRequest& request,
                      const RunPrediction& shown);

}  // namespace renamer
