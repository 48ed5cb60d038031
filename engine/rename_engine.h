#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/disk/file_names.h"
#include "engine/disk/file_system.h"
#include "engine/preview/prediction.h"
#include "engine/rules/input_check.h"
#include "engine/rules/name_rules.h"
#include "engine/rules/time_key.h"
#include "engine/run/job_outcome.h"
#include "engine/run/report.h"
#include "engine/run/run_control.h"
#include "engine/run/run_plan.h"
#include "engine/run/run_request.h"
#include "engine/undo/undo_journal.h"

namespace renamer {

/// The run that an undo would take back.
struct UndoOffer {
  /// The run's directory.
  std::u16string path;
  /// When it started, in seconds since the epoch.
  std::int64_t startedSeconds = 0;
  /// The journal that keeps it; no other run's journal ever has this name.
  std::string journal;
  /// The journal's start cannot be read: an undo says so once and removes it.
  bool damaged = false;
};

/// The renaming engine: rules, time ordering, the rename run and the type catalogue.
/// Its state lives as long as the window that owns it.
class RenameEngine {
 public:
  /// Works on the real file system.
  explicit RenameEngine(WindowPort& window);
  /// Works on `fs`, which must outlive the engine (tests inject faults this way).
  RenameEngine(WindowPort& window, FileSystem& fs);
  /// Works on `fs` and keeps the journals of its runs in `journals`; both must outlive
  /// the engine. The other constructors keep them on the disk (DefaultJournalStore()).
  RenameEngine(WindowPort& window, FileSystem& fs, JournalStore& journals);

  /// The rule code, empty until a rule is chosen.
  std::u16string ChgMode;
  /// The longest base name measured by a "SAMELEN" run since the window loaded.
  std::int16_t MaxLen = 0;
  /// The distinct extensions of the listing, in order of first appearance.
  std::vector<std::u16string> TypeNames;

  /// The new base name for `base` under `code`; uses MaxLen for "SAMELEN".
  std::u16string MakeNewName(std::u16string_view base, std::u16string_view code,
                             std::u16string_view stringText, std::u16string_view valueText) const;

  /// The whole run: fill, sort or measure, plan, execute. Returns the report (RunReport),
  /// or the message for an unreadable modification time (then nothing was renamed).
  std::u16string RenameFiles();

  /// RenameFiles() for `request`, taken from the window earlier: a run on another thread
  /// works this way. Returns what it did, every planned file in plan order. The running
  /// numbers go into its string text instead of the window. With `request.shown`, a plan
  /// that differs from it renames nothing and stops with kStalePreview, with
  /// `request.differsFromShown` set.
  JobOutcome RenameFiles(RunRequest& request);

  /// Renames the files of the most recent run not yet undone (of any program, also one
  /// cut short by a crash) back to their names before it, newest rename first, never
  /// replacing anything. Returns what it did, or why it undid nothing (nothing to undo,
  /// another program busy with it, a damaged journal) in `stop`. Works whatever directory
  /// the window shows now.
  JobOutcome UndoNewest();

  /// UndoNewest() for exactly the run `offer` names; when the newest run is another one
  /// by now, undoes nothing and stops with kUndoChanged.
  JobOutcome UndoRun(const UndoOffer& offer);

  /// UndoNewest() worded for the user (UndoReport()): empty when every file went back.
  std::u16string UndoLastRun();

  /// True when UndoLastRun() has a run to undo.
  bool CanUndo() const { return NextUndo().has_value(); }

  /// The run UndoLastRun() would take back, if any, as the journals say now.
  std::optional<UndoOffer> NextUndo() const;

  /// What UndoNewest() would try, as the journals say now, changing nothing: each file
  /// still to go back, from its new name to its old one, newest rename first, untried.
  /// Stops with kNothingToUndo or kUndoDamaged where it would.
  JobOutcome UndoPreview() const;

  /// What RenameFiles() would do if called now, from the window's state and the disk as
  /// they are. Changes nothing on disk, in the window, in the tables or in MaxLen; keeps
  /// what the next prediction can use again (see PredictionCache), so it is not to be
  /// called from two threads at once.
  RunPrediction PredictRun();

  /// Lets the next runs report progress to `control` and stop when it asks; null
  /// for none. `control` must outlive the runs.
  void SetRunControl(RunControl* control) { control_ = control; }

  /// What a run would read of the window now, with the rule and MaxLen.
  RunRequest Request() const { return RunRequest::Capture(window_, ChgMode, MaxLen); }
  /// Request() without the names, which are costly to copy from a large list.
  RunRequest RequestTexts() const { return RunRequest::Texts(window_, ChgMode, MaxLen); }

  /// The file-system layer this engine works on; predictions on another thread use it.
  FileSystem& Files() const { return fs_; }

  /// Rebuilds the type list: "*.*", then the extensions of the listing.
  void RefreshTypes();

  /// Fills TypeNames from the file list; returns their number.
  std::size_t CollectTypes();

  /// Raises MaxLen to the longest base name of the file list.
  void FindMaxLen();

  /// The file list's path followed by "/".
  std::u16string DirectoryPrefix() const;

  /// The files the file list shows for `path`: regular files, not hidden, in natural
  /// order. `error` receives 0 or the errno of a directory that cannot be read; `places`
  /// where each file stands in the directory's own order.
  std::vector<std::u16string> ListFiles(std::u16string_view path, int* error = nullptr,
                                        std::vector<std::uint32_t>* places = nullptr) const;

  /// The subdirectories of `path`, not hidden, in natural order.
  std::vector<std::u16string> ListDirectories(std::u16string_view path, int* error = nullptr) const;

 private:
  /// The whole run for `request`; `number` is told each running number. Sets
  /// `request.differsFromShown` when it renames nothing for that reason.
  JobOutcome Run(RunRequest& request, const NumberSink& number);
  /// Journals the renames of `plan` about to be tried into `journal`, with the plan
  /// index of each of its steps in `journaled`; returns 0, or why the journal cannot be
  /// written (the run goes on without undo).
  int StartJournal(Directory* dir, const std::u16string& path,
                   const std::vector<PlannedRename>& plan, const EncodedPlan& bytes,
                   std::unique_ptr<RunJournal>& journal, std::vector<std::size_t>& journaled);
  /// Undoes the newest run, or only the one in journal `expected` when given.
  JobOutcome Undo(const std::string* expected);
  RunControl* control_ = nullptr;
  /// What PredictRun() keeps from one prediction to the next.
  PredictionCache predictions_;

  WindowPort& window_;
  FileSystem& fs_;
  /// Where the journals of runs are kept, and undo takes them from.
  JournalStore& journals_;
};

/// The distinct extensions of `names`, in order of first appearance: the type list's
/// items after "*.*".
std::vector<std::u16string> TypesOf(const std::vector<std::u16string>& names);

}  // namespace renamer
