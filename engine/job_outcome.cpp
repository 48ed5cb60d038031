#include "engine/run_outcome.h"

#include <unordered_map>

#include "engine/report.h"

namespace renamer {
namespace {

/// A file the job tried, whether or not it got its new name.
bool Tried(const FileChange& change) {
  return change.status != ChangeStatus::kUntried && change.status != ChangeStatus::kUnchanged;
}

}  // namespace

JobOutcome OutcomeOfRun(std::u16string path, const std::vector<PlannedRename>& plan) {
  JobOutcome outcome;
  outcome.path = std::move(path);
  for (const PlannedRename& planned : plan) {
    switch (planned.status) {
      case PlanStatus::kUnchanged:
        break;
      case PlanStatus::kPending:
        ++outcome.left;
        break;
      case PlanStatus::kRenamed:
        outcome.changes.push_back(
            {planned.oldName, planned.newName, ChangeStatus::kDone, Reason::kNone, 0, {}});
        ++outcome.done;
        break;
      case PlanStatus::kFailed: {
        const Reason reason = !planned.hasNewName          ? Reason::kNoNewName
                              : planned.strandedAt.empty() ? Reason::kSystem
                                                           : Reason::kStranded;
        outcome.changes.push_back({planned.oldName, planned.hasNewName ? planned.newName : u"",
                                   ChangeStatus::kFailed, reason, planned.error,
                                   planned.strandedAt});
        ++outcome.failed;
        break;
      }
    }
  }
  return outcome;
}

std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing) {
  std::vector<PredictedRename> rows;
  rows.reserve(listing.size());
  // The reasons read as the job's report words them: a run's prefix is the path and "/",
  // an undo's the same but for the root.
  const bool root = outcome.kind == JobKind::kUndo && outcome.path == u"/";
  const std::u16string prefix = root ? outcome.path : outcome.path + u"/";
  // A name now on disk is the new name of at most one file renamed, or still the name of
  // a file that could not be renamed; the first wins, as a renamed file took the name.
  std::unordered_map<std::u16string_view, const FileChange*> byName;
  if (outcome.path == listingPath) {
    byName.reserve(outcome.changes.size());
    for (const FileChange& change : outcome.changes) {
      if (change.Done()) byName[change.to] = &change;
    }
    for (const FileChange& change : outcome.changes) {
      if (Tried(change) && !change.Done()) byName.emplace(change.from, &change);
    }
  }
  for (const std::u16string& name : listing) {
    const auto found = byName.find(name);
    if (found == byName.end()) {
      rows.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
      continue;
    }
    const FileChange& change = *found->second;
    if (change.Done()) {
      rows.push_back({change.from, change.to, PredictedOutcome::kRenamed, {}});
    } else {
      rows.push_back({name, change.to, PredictedOutcome::kFails, ChangeReason(prefix, change)});
    }
  }
  return rows;
}

}  // namespace renamer
