#include "engine/preview/shown_guard.h"

#include <array>
#include <string>
#include <string_view>

#include "engine/disk/file_system.h"
#include "engine/run/report.h"

namespace renamer {
namespace {

// The reasons of failures that the plan decides before it touches the disk; every other
// reason of a shown failure came from the disk, or from the simulation of it.
class PlanReasons {
 public:
  explicit PlanReasons(std::u16string_view prefix) {
    FileChange nameless;
    nameless.reason = Reason::kNoNewName;
    reasons_[0] = ChangeReason(prefix, nameless);
    reasons_[1] = DescribeError(kErrorBadNewName);
    reasons_[2] = DescribeError(kErrorBadOldName);
    reasons_[3] = DescribeError(kErrorNotRegular);
  }
  bool Contains(std::u16string_view reason) const {
    for (const std::u16string& known : reasons_) {
      if (known == reason) return true;
    }
    return false;
  }

 private:
  std::array<std::u16string, 4> reasons_;
};

bool Agrees(const PlannedRename& planned, std::u16string_view oldName, const PredictedRename& shown,
            std::u16string_view prefix, const PlanReasons& planReasons) {
  if (shown.oldName != oldName || shown.newName != planned.to) return false;
  switch (planned.status) {
    case ChangeStatus::kUntried:
      return shown.outcome == PredictedOutcome::kRenamed ||
             (shown.outcome == PredictedOutcome::kFails && !planReasons.Contains(shown.reason));
    case ChangeStatus::kUnchanged:
      return shown.outcome == PredictedOutcome::kUnchanged;
    case ChangeStatus::kFailed:
      return shown.outcome == PredictedOutcome::kFails &&
             shown.reason == ChangeReason(prefix, planned);
    default:
      // A plan already tried has nothing left to hold to.
      return false;
  }
}

}  // namespace

bool PlanKeepsToShown(const std::vector<PlannedRename>& plan, const RunRequest& request,
                      const RunPrediction& shown) {
  const std::size_t listed = request.names->size();
  if (!shown.message.empty() || shown.files.size() != listed) return false;
  const std::u16string prefix = request.path + u"/";
  const PlanReasons planReasons(prefix);
  std::vector<bool> planned(listed, false);
  for (const PlannedRename& p : plan) {
    if (p.listIndex >= listed || planned[p.listIndex]) return false;
    planned[p.listIndex] = true;
    const std::u16string& oldName = (*request.names)[p.listIndex];
    if (!Agrees(p, oldName, shown.files[p.listIndex], prefix, planReasons)) return false;
  }
  // A file the run does not take must not have been shown with a new name.
  for (std::size_t k = 0; k < listed; ++k) {
    if (!planned[k] && shown.files[k].outcome != PredictedOutcome::kNotSelected) return false;
  }
  return true;
}

}  // namespace renamer
