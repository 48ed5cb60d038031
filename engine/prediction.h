#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/run_plan.h"

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
  /// The listing's time keys, when the prediction needed them; hand them back in the
  /// next input for the same listing so that they are read only once.
  std::shared_ptr<const std::vector<std::u16string>> timeKeys;
};

/// Everything a prediction reads of the window, so that it can run on any thread.
struct PredictionInput {
  std::u16string path;                ///< the file list's directory
  std::vector<std::u16string> names;  ///< the file list, in list order
  PlanInput plan;
  /// The listing's time keys if already read, in list order; read when needed if null.
  std::shared_ptr<const std::vector<std::u16string>> timeKeys;
};

/// What a run with `input` would do on `fs` as it is now. Changes nothing: besides the
/// listing it reads the status of a few names, where only the file system can tell
/// whether it takes two spellings for one name.
RunPrediction Predict(FileSystem& fs, const PredictionInput& input);

}  // namespace renamer
