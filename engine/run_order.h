#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/run_plan.h"

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

/// The entries of a directory as one listing found them, for deciding in which order a
/// plan's renames may run.
///
/// The order of a run matters only where one of its renames can meet another's name:
/// a new name that is already an entry (another file, or a file that the run renames
/// later) or that another file of the run gets as well. Where no rename can meet any,
/// every file fares the same in any order, and the directory's own order is the
/// cheapest for the file system: consecutive renames touch neighbouring blocks.
class EntryIndex {
 public:
  /// Nothing is known of the directory: every plan keeps its own order.
  EntryIndex() = default;
  /// Every entry of a directory, whatever it is, in the directory's order.
  explicit EntryIndex(const std::vector<DirectoryEntry>& entries);

  /// True when no rename still to be tried in `plan` can meet another's name or an
  /// entry, by any case folding: so that the order of the renames cannot change what
  /// becomes of any file. False when in doubt, and when nothing is known.
  bool StandApart(const std::vector<PlannedRename>& plan, const EncodedPlan& bytes) const;

  /// The plan's indices in the directory's order of their old names when the plan
  /// stands apart; empty, for plan order, otherwise.
  std::vector<std::uint32_t> ExecutionOrder(const std::vector<PlannedRename>& plan,
                                            const EncodedPlan& bytes) const;

 private:
  bool known_ = false;
  /// FoldedHash of every entry.
  HashSet folded_;
  /// A hash of each entry's exact name with its place in the listing, sorted.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> places_;
};

}  // namespace renamer
