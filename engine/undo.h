#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/job_outcome.h"
#include "engine/journal_format.h"
#include "engine/run_control.h"

namespace renamer {

/// What one undo of a journaled run did.
struct UndoOutcome {
  /// Where each step of the run stands now; what the journal keeps.
  std::vector<StepState> state;
  /// Report entries ("new -> old(reason)", LF CR each) of the files that could not go
  /// back and are tried again by the next undo, and of those given up.
  std::u16string waiting;
  std::uint64_t waitingCount = 0;
  std::u16string givenUp;
  std::uint64_t givenUpCount = 0;
  /// Steps that a cancel left untried; the next undo tries them.
  std::uint64_t left = 0;
  /// 0, or why the journal could not record where the steps stand (see
  /// JournalLease::Settle()).
  int unsaved = 0;
  /// Each step tried, from its new name back to its old one, in the order tried.
  std::vector<FileChange> changes;
};

/// Renames the files of `run` back to their names before it, newest rename first, each
/// only while it is still the very file the run renamed, and never replacing anything.
/// A file found under its old name already counts as taken back, so undoing a run again
/// after a crash does no harm; a file that a crash left under both names, or under the
/// temporary name of a change of case, is taken back too. A name is removed only where
/// the run (or an undo) made it: a file under both names keeps the new one where the
/// journal cannot tell that the run gave it (JournaledRun::GaveNewName()), and counts as
/// taken back. A file that cannot go back is kept for one more try, unless it is gone: a
/// second failure gives it up.
UndoOutcome UndoJournaledRun(FileSystem& fs, const JournaledRun& run, RunControl* control);

/// What the undo of the run in `path` did, for the window to show.
JobOutcome OutcomeOfUndo(std::u16string path, UndoOutcome outcome);

}  // namespace renamer
