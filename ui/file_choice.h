#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/job_outcome.h"

namespace renamer::ui {

/// Which files of the list are checked to be renamed. It keeps the names left
/// unchecked, so that a box follows its file by name through a new listing and a file
/// it has not seen before comes checked.
class FileChoice {
 public:
  using Names = std::shared_ptr<const std::vector<std::u16string>>;

  /// Lays the choice over `names`, a new listing of the same folder: each file keeps its
  /// box, a file not listed before comes checked.
  void Relist(Names names);
  /// Every file of `names` checked, as for another folder.
  void Reset(Names names);

  bool Checked(std::size_t row) const { return !rows_ || (*rows_)[row]; }
  /// Null while every file is checked; else one value per row, shared and never changed.
  std::shared_ptr<const std::vector<bool>> Shared() const { return rows_; }
  std::size_t UncheckedCount() const { return unchecked_.size(); }

  /// Checks or clears the box of each of `rows`.
  void Set(const std::vector<int>& rows, bool checked);
  /// Checks every file when `checked`, else clears every box.
  void SetAll(bool checked);
  /// Checks every unchecked file and clears every checked one.
  void Invert();
  /// Checks `rows` and clears every other box.
  void CheckOnly(const std::vector<int>& rows);
  /// Checks the files named `chosen` and clears every other box.
  void CheckOnlyNamed(const std::vector<std::u16string>& chosen);
  /// The boxes go with the files that `changes` renamed, as they were tried.
  void FollowRenames(const std::vector<FileChange>& changes);

 private:
  /// Builds the rows from the unchecked names, dropping those not listed.
  void Rebuild();

  Names names_ = std::make_shared<const std::vector<std::u16string>>();
  std::unordered_set<std::u16string> unchecked_;
  std::shared_ptr<const std::vector<bool>> rows_;
};

}  // namespace renamer::ui
