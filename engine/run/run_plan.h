#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/disk/file_system.h"
#include "engine/run/job_outcome.h"
#include "engine/run/run_control.h"
#include "engine/run/run_request.h"

namespace renamer {

/// What became of a planned file, or what will become of it before the run.
enum class PlanStatus {
  kPending,    ///< not yet tried
  kRenamed,    ///< renamed to its new name
  kUnchanged,  ///< the new name is the old one; left alone and not reported
  kFailed,     ///< not renamed; reported with `error`
};

/// One file of a run's plan; names are single file names inside the run's directory.
/// Its old name is the listed one, at `listIndex` in the request's names.
struct PlannedRename {
  std::u16string newName;   ///< meaningful only when hasNewName
  bool hasNewName = false;  ///< false when the rule gave no new name
  PlanStatus status = PlanStatus::kPending;
  /// Why a failed file was not renamed: an errno value or one of the engine's own
  /// codes; 0 when the rule gave no new name.
  int error = 0;
  /// Where the file is when a rename through a temporary name could not be taken back.
  std::string strandedAt;
  /// The listed file as the fill found it.
  FileIdentity identity;
  /// The file's place in the file list, counted from 0.
  std::uint32_t listIndex = 0;
};

/// What the fill found for the listed files, in the order in which they are renamed; the
/// names are the request's, at `listIndex`.
struct FillTable {
  std::vector<FileIdentity> identities;
  /// 0, or the code of a check that already keeps the file from being renamed.
  std::vector<int> errors;
  std::vector<std::uint32_t> listIndex;
  /// The time key of each file, when the fill read them.
  std::vector<std::u16string> times;
  /// Each listed name as bytes, in list order whatever the order of the rest.
  std::vector<std::string> bytes;
  /// The fill stopped because the run was cancelled.
  bool cancelled = false;
  /// The fill stopped at a checked file whose time cannot be read: its list index and
  /// why; 0 otherwise.
  std::uint32_t unreadable = 0;
  int unreadableError = 0;

  /// Makes room for `count` files in list order, with nothing found yet.
  void Reset(std::size_t count);
};

/// The plan's names as bytes, parallel to the plan.
struct EncodedPlan {
  /// Every listed name, in list order, shared with whoever listed them.
  std::shared_ptr<const std::vector<std::string>> listed;
  /// Each file's place in `listed`.
  std::vector<std::uint32_t> at;
  std::vector<std::string> to;
  /// The order in which the files are tried, as indices into the plan; empty for plan
  /// order. Only a plan whose renames cannot meet may run in another (see EntryIndex).
  std::vector<std::uint32_t> order;

  /// The old name of the plan's file `j`.
  const std::string& From(std::size_t j) const { return (*listed)[at[j]]; }
};

/// Told each running number of a numbering rule; returns the string field's text then.
using NumberSink = std::function<std::u16string(long long number)>;

/// Fills `fill` with what the run reads of each checked listed file of `request` in
/// `dir` before it plans: whether it is still a regular file, its identity and, with
/// `times`, its time key. Every listed name is in the fill, a file left unchecked with
/// nothing read and the time key of time 0. A name that would reach outside the
/// directory is never handed to it. Returns true, or false when it stopped first: at a
/// time that cannot be read (`fill.unreadableError`), or because `control` asked to
/// stop (`fill.cancelled`). `dir` is null when the directory could not be opened, with
/// `openError`.
bool FillFromDirectory(Directory* dir, int openError, const RunRequest& request, bool times,
                       RunControl* control, FillTable& fill);

/// Puts the rows of `fill`, in list order as the fill left them, into `ordering`.
void PutInOrder(FillTable& fill, Ordering ordering);

/// `maxLen` raised to the longest base name of `names`.
std::int16_t MeasureMaxLen(const std::vector<std::u16string>& names, std::int16_t maxLen);

/// The plan for the files of `fill`: one entry per checked file that passes the type
/// filter of `request`, with its new name by its rule and texts, in fill order.
std::vector<PlannedRename> PlanRenames(const FillTable& fill, const RunRequest& request,
                                       const NumberSink& number);

/// What a run of `request` cancelled before its plan leaves: every file it would have
/// tried (checked, passing the type filter), untried and without a new name, in list
/// order.
std::vector<FileChange> UntriedChanges(const RunRequest& request);

/// What became of `planned`, whose listed name is `from`, as the outcome tells it.
FileChange ChangeOf(PlannedRename planned, std::u16string from);

/// Encodes each new name once, finds each old one in `listBytes` (the fill's bytes, in
/// list order), and decides what can be decided without the disk: kUnchanged, kFailed
/// with its error, or kPending when the rename is to be tried.
EncodedPlan PrejudgePlan(std::vector<PlannedRename>& plan,
                         std::shared_ptr<const std::vector<std::string>> listBytes);

/// Renames the pending files of `plan` in `dir` in the order of `bytes`, never
/// replacing anything, and records each outcome. Stops before the next file when
/// `control` asks; returns how many files that left untried, whose status goes back to
/// kPending.
std::uint64_t ExecutePlan(Directory* dir, int openError, std::vector<PlannedRename>& plan,
                          const EncodedPlan& bytes, RunControl* control);

/// True when `name` can be handed to the file system as a name inside the directory.
bool IsSafeFileName(std::u16string_view name);

}  // namespace renamer
