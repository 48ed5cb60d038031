#include "engine/job_outcome.h"

#include <unordered_map>

#include "engine/report.h"

namespace renamer {

JobOutcome OutcomeOfRun(std::u16string path, const std::vector<PlannedRename>& plan) {
  JobOutcome outcome;
  outcome.path = std::move(path);
  // The reasons read as the run's report words them, whose prefix is the path and "/".
  const std::u16string prefix = outcome.path + u"/";
  for (const PlannedRename& planned : plan) {
    switch (planned.status) {
      case PlanStatus::kUnchanged:
        break;
      case PlanStatus::kPending:
        ++outcome.left;
        break;
      case PlanStatus::kRenamed:
        outcome.changes.push_back({planned.oldName, planned.newName, true, {}});
        ++outcome.done;
        break;
      case PlanStatus::kFailed:
        outcome.changes.push_back({planned.oldName, planned.hasNewName ? planned.newName : u"",
                                   false, FailureReason(prefix, planned)});
        ++outcome.failed;
        break;
    }
  }
  return outcome;
}

std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing) {
  std::vector<PredictedRename> rows;
  rows.reserve(listing.size());
  // A name now on disk is the new name of at most one file renamed, or still the name of
  // a file that could not be renamed; the first wins, as a renamed file took the name.
  std::unordered_map<std::u16string_view, const FileChange*> byName;
  if (outcome.path == listingPath) {
    byName.reserve(outcome.changes.size());
    for (const FileChange& change : outcome.changes) {
      if (change.done) byName[change.to] = &change;
    }
    for (const FileChange& change : outcome.changes) {
      if (!change.done) byName.emplace(change.from, &change);
    }
  }
  for (const std::u16string& name : listing) {
    const auto found = byName.find(name);
    if (found == byName.end()) {
      rows.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
      continue;
    }
    const FileChange& change = *found->second;
    if (change.done) {
      rows.push_back({change.from, change.to, PredictedOutcome::kRenamed, {}});
    } else {
      rows.push_back({name, change.to, PredictedOutcome::kFails, change.reason});
    }
  }
  return rows;
}

}  // namespace renamer
