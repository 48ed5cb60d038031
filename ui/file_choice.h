#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/disk/file_system.h"
#include "engine/run/job_outcome.h"

namespace renamer::ui {

/// Which files of the list are checked to be renamed, one box per row. A box follows its
/// file through a new listing of the folder: by the file's inode number where the
/// listings tell it, so that a file another program renamed keeps its box under its new
/// name, and by name where a new file stands under an old name, as an editor saves; and
/// through a job's renames. A file not listed before comes checked.
class FileChoice {
 public:
  using Names = std::shared_ptr<const std::vector<std::u16string>>;

  /// Lays the choice over `names`, a new listing of the same folder, whose files are
  /// where `where` says: each file keeps its box, a file not listed before comes checked.
  void Relist(Names names, ListedInodes where = {});
  /// The same files in another order: row k of `names` is row `order[k]` of before.
  void Reorder(Names names, const std::vector<std::uint32_t>& order);
  /// Every file of `names` checked, as for another folder.
  void Reset(Names names, ListedInodes where = {});

  bool Checked(std::size_t row) const { return !rows_ || (*rows_)[row]; }
  /// Null while every file is checked; else one value per row, shared and never changed.
  std::shared_ptr<const std::vector<bool>> Shared() const { return rows_; }
  std::size_t UncheckedCount() const { return unchecked_; }

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
  /// Before the listing after a job: the boxes go with the files that `changes`
  /// renamed, to their new names.
  void FollowRenames(const std::vector<FileChange>& changes);

 private:
  /// Makes `rows` the choice; one without a clear box is kept as null.
  void Adopt(std::vector<bool> rows);
  /// The rows as a vector to change.
  std::vector<bool> Rows() const;

  Names names_ = std::make_shared<const std::vector<std::u16string>>();
  ListedInodes where_;
  std::shared_ptr<const std::vector<bool>> rows_;
  std::size_t unchecked_ = 0;
  /// The boxes of the files a job renamed, by their new names, until the next listing.
  std::unordered_map<std::u16string, bool> renamed_;
};

}  // namespace renamer::ui
