#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

/// What became of one file that a run or an undo tried, or would have tried.
enum class ChangeStatus : std::uint8_t {
  kDone,       ///< it has the name it was to get (renamed, or taken back)
  kUnchanged,  ///< its new name is its old one; left alone and not reported
  kFailed,     ///< it kept its name; `reason` says why
  kWaiting,    ///< an undo could not take it back and tries again next time
  kGivenUp,    ///< an undo could not take it back and does not try again
  kUntried,    ///< a cancel came first
};

/// Why a file did not get its new name, beside an errno value.
enum class Reason : std::uint8_t {
  kNone,
  kSystem,          ///< `error` holds the errno value or one of the engine's own codes
  kNoNewName,       ///< the rule gave an empty name
  kStranded,        ///< kSystem, and the file waits under the temporary name `detail`
  kGone,            ///< undo: the renamed file is no longer there
  kReplaced,        ///< undo: another file has that name now
  kChanged,         ///< undo: the file was changed after the run, so it cannot be vouched for
  kOtherDirectory,  ///< undo: the folder is not the run's folder any more
  kLeftover,        ///< undo: back, but the temporary name `detail` could not be removed
};

/// One file that a run or an undo tried, and what became of it.
struct FileChange {
  std::u16string from;  ///< its name before
  std::u16string to;    ///< the name it was to get; empty when the rule gave none
  ChangeStatus status = ChangeStatus::kUntried;
  Reason reason = Reason::kNone;
  /// The errno value, or one of the engine's own codes (see file_system.h); 0 for none.
  int error = 0;
  /// A file name as bytes that the reason names (kStranded, kLeftover).
  std::string detail;
  /// For a run: the file's place in the file list, counted from 0.
  std::uint32_t listIndex = 0;

  bool Done() const { return status == ChangeStatus::kDone; }
  /// It kept its name: kFailed, kWaiting or kGivenUp.
  bool Failed() const {
    return status == ChangeStatus::kFailed || status == ChangeStatus::kWaiting ||
           status == ChangeStatus::kGivenUp;
  }
};

enum class JobKind : std::uint8_t { kRun, kUndo };

/// Why a job renamed nothing at all, where that was decided before the first file.
enum class Stop : std::uint8_t {
  kNone,
  kUnreadableTime,  ///< run: the time of `stopName` could not be read (`stopError`)
  kStalePreview,    ///< run: the files changed since the preview the window showed
  kNothingToUndo,   ///< undo: no journal
  kUndoBusy,        ///< undo: another program holds the newest journal
  kUndoChanged,     ///< undo: the newest run is not the one offered
  kUndoDamaged,     ///< undo: the newest journal is damaged and was removed
  kUndoUnsafe,      ///< undo: the journals' folder is not private
};

/// What a run or an undo did, as data: the report, the window's captions and a
/// terminal's output are all worded from it.
struct JobOutcome {
  JobKind kind = JobKind::kRun;
  /// The folder it worked in, without a trailing "/" except for the root.
  std::u16string path;
  /// Every file it tried or would have tried, in the order tried. A run lists its
  /// unchanged files too, an undo only the steps it reached.
  std::vector<FileChange> changes;
  Stop stop = Stop::kNone;
  /// kUnreadableTime: the file and why.
  std::u16string stopName;
  int stopError = 0;
  /// A run whose journal could not be written (it cannot be undone), or an undo whose
  /// journal could not record where its steps stand: why, else 0.
  int journalError = 0;

  /// Counted from `changes`.
  std::uint64_t done = 0;
  std::uint64_t failed = 0;  ///< kFailed, kWaiting and kGivenUp
  std::uint64_t left = 0;    ///< kUntried

  /// Counts `changes` into done, failed and left.
  void Count() {
    done = failed = left = 0;
    for (const FileChange& change : changes) {
      done += change.Done() ? 1U : 0U;
      failed += change.Failed() ? 1U : 0U;
      left += change.status == ChangeStatus::kUntried ? 1U : 0U;
    }
  }
  /// True for a stalePreview stop, kept for the window's code that asks for it.
  bool StalePreview() const { return stop == Stop::kStalePreview; }
  /// A run cancelled while it read the files, before it planned: its untried files
  /// carry no new name, and its report is the cancel line alone.
  bool cancelledBeforePlan = false;
};

}  // namespace renamer
