#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/run/run_plan.h"

namespace renamer {

/// A hash of `name` as the fullest case folding sees it (see FoldKey): two names that
/// any file system takes for one always get the same hash.
std::uint64_t FoldedHash(std::string_view name);

/// A set of 64-bit hashes in one flat table: a check per new name must not cost an
/// allocation, nor a sort of them all, on every keystroke of a preview.
class HashSet {
 public:
  /// Room for `count` hashes.
  explicit HashSet(std::size_t count = 0);
  /// Adds `hash`; false when it was there already.
  bool Insert(std::uint64_t hash);
  bool Contains(std::uint64_t hash) const;

 private:
  std::size_t Slot(std::uint64_t hash) const;
  /// 0 marks a free slot; a hash of 0 is kept as 1.
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
};

/// True when no rename still to be tried in `plan` can meet another's name, by any case
/// folding: no new name is the old name of a file still to be renamed (its own
/// included) or the new name of another. Then every file fares the same in any order of
/// the renames: an entry that the run does not move blocks a new name in any order
/// alike. False when in doubt.
bool RenamesStandApart(const std::vector<PlannedRename>& plan, const EncodedPlan& bytes);

/// True when no new name still to be tried in `plan` is, by any case folding, one of
/// `entries` (FoldedHash of every entry of the directory) or another file's new name:
/// then every such rename finds its new name free, whatever the order. False when in
/// doubt.
bool NewNamesFree(const std::vector<PlannedRename>& plan, const EncodedPlan& bytes,
                  const HashSet& entries);

/// The order in which to try the renames of `plan`: its indices by the place of each
/// file in the directory's own order (`places`, by list index, as the listing found
/// them) when the plan stands apart, as consecutive renames then touch neighbouring
/// directory blocks; empty, for plan order, otherwise or when `places` is null.
std::vector<std::uint32_t> ExecutionOrder(const std::vector<PlannedRename>& plan,
                                          const EncodedPlan& bytes,
                                          const std::vector<std::uint32_t>* places);

}  // namespace renamer
