#pragma once

#include <vector>

#include "engine/disk/file_system.h"
#include "engine/run/job_outcome.h"
#include "engine/run/run_control.h"
#include "engine/undo/journal_format.h"

namespace renamer {

/// What one undo of a journaled run did.
struct UndoOutcome {
  /// Where each step of the run stands now; what the journal keeps.
  std::vector<StepState> state;
  /// Each step reached, from its new name back to its old one, in the order tried: kDone,
  /// kWaiting for one tried again by the next undo, kGivenUp, or kUntried where a cancel
  /// came first. `journalError` is for the caller to fill in once the journal has been
  /// told `state` (see JournalLease::Settle()).
  JobOutcome job;
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

}  // namespace renamer
