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

/// One file of a run's plan, and what became of it; kUntried until it is decided. Names
/// are single file names inside the run's directory. `from` stays empty until the
/// outcome: the old name is the listed one, at `listIndex` in the request's names.
struct PlannedRename : FileChange {
  /// The listed file as the fill found it.
  FileIdentity identity;
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
  /// The time each key stands for, parallel to `times`: the modification time, or the
  /// capture time, or the modification time standing in for a missing capture time
  /// (with why it is missing).
  std::vector<CaptureTime> shown;
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
  /// Moves whole rows: row `order[i]` becomes row i.
  void Reorder(const std::vector<std::uint32_t>& order);
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

/// FillFromDirectory(), reading times where the ordering of `request` needs them, then
/// the rows put in that order.
bool FillInOrder(Directory* dir, int openError, const RunRequest& request, RunControl* control,
                 FillTable& fill);

/// The key that puts the file `name` of `dir` (of `status`) into `ordering`, and in
/// `shown` the time it stands for. `dir` may be null: then no capture time is found.
std::u16string TimeKeyFor(Directory* dir, const std::string& name, const FileStatus& status,
                          Ordering ordering, CaptureTime& shown);

/// Puts the rows of `fill`, in list order as the fill left them, into `ordering`.
void PutInOrder(FillTable& fill, Ordering ordering);

/// `maxLen` raised to the longest base name of `names`.
std::int16_t MeasureMaxLen(const std::vector<std::u16string>& names, std::int16_t maxLen);

/// What a run of `request` cancelled before its plan leaves: every file it would have
/// tried (checked, passing the type filter), untried and without a new name, in list
/// order.
std::vector<FileChange> UntriedChanges(const RunRequest& request);

/// Where a judged plan goes on: the directory its renames are tried in (null when it
/// could not be opened, with `openError`), or `go` false to try none.
struct Execution {
  Directory* dir = nullptr;
  int openError = 0;
  bool go = true;
};

/// Told the judged plan and its bytes before the first rename; may set the order of the
/// renames, and says where they go on.
using BeforeRenames = std::function<Execution(std::vector<PlannedRename>&, EncodedPlan&)>;

/// The road from an ordered fill to renamed files, the same for a run on the disk and
/// for its prediction on a simulated copy: measures MaxLen into `request` for a rule
/// that asks, names the files in fill order (PlanRenames), judges what needs no disk
/// (PrejudgePlan), and renames where `before` says (ExecutePlan). `listBytes` are the
/// fill's names as bytes, in list order.
std::vector<PlannedRename> PlanAndExecute(const FillTable& fill,
                                          std::shared_ptr<const std::vector<std::string>> listBytes,
                                          RunRequest& request, const NumberSink& number,
                                          RunControl* control, const BeforeRenames& before);

/// True when `name` can be handed to the file system as a name inside the directory.
bool IsSafeFileName(std::u16string_view name);

}  // namespace renamer
