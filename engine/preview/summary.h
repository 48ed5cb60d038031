#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/preview/prediction.h"
#include "engine/run/job_outcome.h"
#include "engine/run/run_request.h"

namespace renamer {

/// What the reason of a file that fails follows where a list of names shows it: before a
/// run, after a run, after an undo.
inline constexpr std::array<std::u16string_view, 3> kFailurePrefixes = {u"不能改名：", u"未改名：",
                                                                        u"未能恢复："};

/// The one-line summary of `prediction`, made from `request`: how many files a run would
/// rename, how many it could not and how many are left unchecked, or why it would rename
/// none. The window's caption and the terminal's last line both say it.
std::u16string PredictionSummary(const RunPrediction& prediction, const RunRequest& request);

/// The one-line summary of what a run or an undo did; an undo in a folder other than
/// `shownPath` names that folder.
std::u16string OutcomeSummary(const JobOutcome& outcome, std::u16string_view shownPath);

}  // namespace renamer
