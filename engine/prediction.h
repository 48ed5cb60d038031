#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/run_plan.h"
#include "engine/run_request.h"

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
  /// The listing's time keys in list order, when the prediction needed them; hand them
  /// back to the next prediction of the same listing.
  std::shared_ptr<const std::vector<std::u16string>> timeKeys;
};

/// What a run of `request` would do on `fs` as it is now: the run's own steps on a
/// simulated copy of the directory. Changes nothing: besides the listing it reads the
/// status of a few names, where only the file system can tell whether it takes two
/// spellings for one name. `timeKeys`, if given, are the listing's time keys from an
/// earlier prediction of the same listing, so that they are read only once.
RunPrediction Predict(FileSystem& fs, const RunRequest& request,
                      std::shared_ptr<const std::vector<std::u16string>> timeKeys = nullptr);

}  // namespace renamer
