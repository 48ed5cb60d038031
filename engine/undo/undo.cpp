#include "engine/undo/undo.h"

#include <cerrno>

#include "engine/disk/file_names.h"
#include "engine/disk/name_folding.h"
#include "engine/rules/text.h"
#include "engine/run/run_plan.h"
#include "engine/run/safe_rename.h"

namespace renamer {
namespace {

/// Where the step's file is found now.
struct Sight {
  /// Something is under the new name: `underNew`.
  bool newTaken = false;
  FileIdentity underNew;
  bool atNew = false;
  bool atOld = false;
  /// The temporary names of a change of case that hold the file.
  std::vector<std::string> parked;
};

/// What taking a step back came to: 0, or an error with where the file was left
/// (`stranded`) or which extra name of it could not be removed (`leftover`).
struct Back {
  int error = 0;
  std::string stranded;
  std::string leftover;
};

bool Holds(Directory& dir, const std::string& name, const FileIdentity& file) {
  FileIdentity found;
  return dir.Identify(name, found) == 0 && SameFile(found, file);
}

/// True when a file system may take the step's two names for one entry: then a file
/// found under both may still have a single name.
bool MayBeOneEntry(const JournalStep& step) {
  return DifferOnlyInCase(step.oldName, step.newName) ||
         FoldKey(step.oldName) == FoldKey(step.newName);
}

// Both names are looked up whatever the link count says: a mount with an attribute
// cache (bindfs) may still give the count from before a rename or a link.
Sight Look(Directory& dir, const JournalStep& step, bool oneEntry) {
  Sight sight;
  sight.newTaken = dir.Identify(step.newName, sight.underNew) == 0;
  sight.atNew = sight.newTaken && SameFile(sight.underNew, step.identity);
  sight.atOld = Holds(dir, step.oldName, step.identity);
  // Only a change of case parks a file; a kill may leave it there, or leave the
  // temporary name as one more link of it.
  if (oneEntry || (!sight.atNew && !sight.atOld)) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      std::string temporary = TemporaryName(step.identity, attempt);
      if (Holds(dir, temporary, step.identity)) sight.parked.push_back(std::move(temporary));
    }
  }
  return sight;
}

/// Why the file is nowhere to be found.
Reason Missing(const Sight& sight, const JournalStep& step) {
  if (!sight.newTaken) return Reason::kGone;
  // With neither a birth time nor a generation, a file changed since and a new file
  // that got its inode number look alike; the user is told which doubt it is.
  const FileIdentity& atNew = sight.underNew;
  const bool undecided = atNew.device == step.identity.device &&
                         atNew.inode == step.identity.inode &&
                         (atNew.birthNanoseconds == 0 || step.identity.birthNanoseconds == 0) &&
                         !(atNew.hasGeneration && step.identity.hasGeneration);
  return undecided ? Reason::kChanged : Reason::kReplaced;
}

// The new spelling of a change of case that the run made, where the file is found under
// both spellings. Moving the new one aside tells which it is: a second entry, which goes,
// or the one entry that a file system ignoring case finds under either, which gets its
// old spelling back.
Back MoveNewSpellingAside(Directory& dir, const JournalStep& step) {
  Back back;
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const std::string temporary = TemporaryName(step.identity, attempt);
    back.error = RenameWithoutReplacing(dir, step.newName, temporary);
    if (back.error == EEXIST) continue;
    if (back.error != 0) return back;
    if (Holds(dir, step.oldName, step.identity)) {
      back.error = dir.Unlink(temporary);
      if (back.error != 0) back.leftover = temporary;
      return back;
    }
    back.error = RenameWithoutReplacing(dir, temporary, step.oldName);
    if (back.error != 0 && RenameWithoutReplacing(dir, temporary, step.newName) != 0) {
      back.stranded = temporary;
    }
    return back;
  }
  return back;
}

// The file is found under both names: two entries, where the link fallback was cut
// short between its link and its unlink or the file had both names before the run; or
// one entry that a file system which folds names finds under either. Looking a name up
// cannot tell these apart, and removing the one name of a file would lose it.
Back UnderBoth(Directory& dir, FileSystem& fs, const JournaledRun& run, std::size_t i,
               bool oneEntry) {
  const JournalStep& step = run.steps[i];
  const bool gave = run.GaveNewName(i);
  if (oneEntry && gave) return MoveNewSpellingAside(dir, step);
  // Names the file may have had before the run stay.
  if (!oneEntry && !gave) return {};
  bool hasOld = false;
  bool hasNew = false;
  std::vector<DirectoryEntry> entries;
  if (fs.ListAll(run.path, entries) == 0) {
    for (const DirectoryEntry& entry : entries) {
      hasOld = hasOld || entry.name == step.oldName;
      hasNew = hasNew || entry.name == step.newName;
    }
  }
  Back back;
  if (hasOld && hasNew) {
    if (gave) back.error = dir.Unlink(step.newName);
  } else if (!hasOld) {
    // One entry under its new spelling, or the listing failed: a rename that replaces
    // nothing is safe either way.
    back.error = RenameWithoutReplacing(dir, step.newName, step.oldName, &back.stranded);
  }
  return back;
}

// A temporary name that still holds the file while its old name does too is a link that
// a kill between a link and an unlink left behind.
Back DropParked(Directory& dir, const JournalStep& step, const std::vector<std::string>& parked) {
  Back back;
  for (const std::string& temporary : parked) {
    if (!Holds(dir, temporary, step.identity) || !Holds(dir, step.oldName, step.identity)) {
      continue;
    }
    back.error = dir.Unlink(temporary);
    if (back.error != 0) {
      back.leftover = temporary;
      return back;
    }
  }
  return back;
}

/// Says in `change` why the step did not go back; returns false.
bool Failed(Back back, FileChange& change) {
  const bool leftover = !back.leftover.empty();
  change.reason = leftover                ? Reason::kLeftover
                  : back.stranded.empty() ? Reason::kSystem
                                          : Reason::kStranded;
  change.error = back.error;
  change.detail = std::move(leftover ? back.leftover : back.stranded);
  return false;
}

/// Takes step `i` back; returns true, or false with why not in `change` and whether the
/// file is gone for good (then no later try can help). Removes a name of the file only
/// where the run or an undo made it.
bool TakeBack(Directory& dir, FileSystem& fs, const JournaledRun& run, std::size_t i,
              FileChange& change, bool& gone) {
  const JournalStep& step = run.steps[i];
  const bool oneEntry = MayBeOneEntry(step);
  Sight sight = Look(dir, step, oneEntry);
  gone = false;
  Back back;
  if (!sight.atOld && !sight.parked.empty()) {
    // Parked by a change of case that was cut short: the old name comes back first.
    const std::string temporary = sight.parked.front();
    sight.parked.erase(sight.parked.begin());
    back.error = RenameWithoutReplacing(dir, temporary, step.oldName);
    if (back.error != 0) {
      back.stranded = temporary;
      return Failed(std::move(back), change);
    }
    sight.atOld = true;
  }
  if (sight.atNew && sight.atOld) {
    back = UnderBoth(dir, fs, run, i, oneEntry);
  } else if (sight.atNew) {
    back.error = RenameWithoutReplacing(dir, step.newName, step.oldName, &back.stranded);
  } else if (!sight.atOld) {
    change.reason = Missing(sight, step);
    gone = true;
    return false;
  }
  if (back.error == 0 && oneEntry) back = DropParked(dir, step, sight.parked);
  return back.error == 0 || Failed(std::move(back), change);
}

}  // namespace

UndoOutcome UndoJournaledRun(FileSystem& fs, const JournaledRun& run, RunControl* control) {
  UndoOutcome outcome;
  outcome.state = run.state;
  outcome.state.resize(run.steps.size(), StepState::kToTakeBack);
  JobOutcome& job = outcome.job;
  job.kind = JobKind::kUndo;
  job.path = DecodeFileName(run.path);
  int error = 0;
  const std::unique_ptr<Directory> dir = fs.Open(run.path, error);
  // Why no step can go back, if so; the error is Open()'s.
  Reason fault = Reason::kNone;
  FileIdentity found;
  if (dir == nullptr) {
    fault = Reason::kSystem;
  } else if (dir->Identify(".", found) != 0 || !SameDirectory(found, run.directory)) {
    fault = Reason::kOtherDirectory;
  }

  const std::size_t count = run.steps.size();
  if (control != nullptr) {
    control->done.store(0);
    control->total.store(count);
  }
  for (std::size_t handled = 0; handled < count; ++handled) {
    const std::size_t i = count - 1 - handled;
    if (!run.Pending(i)) continue;
    const JournalStep& step = run.steps[i];
    FileChange& change = job.changes.emplace_back();
    change.from = DecodeFileName(step.newName);
    change.to = DecodeFileName(step.oldName);
    if (control != nullptr && control->cancel.load()) continue;
    if (control != nullptr) control->done.store(handled + 1);
    bool gone = false;
    if (fault != Reason::kNone) {
      change.reason = fault;
      change.error = error;
    } else {
      const CallTimer timer(control);
      if (TakeBack(*dir, fs, run, i, change, gone)) {
        outcome.state[i] = StepState::kDone;
        change.status = ChangeStatus::kDone;
        continue;
      }
    }
    // A file that is gone cannot come back, and one that failed before has been seen to
    // fail: neither may keep the runs before it from being undone.
    const bool givenUp = gone || outcome.state[i] == StepState::kReported;
    outcome.state[i] = givenUp ? StepState::kDone : StepState::kReported;
    change.status = givenUp ? ChangeStatus::kGivenUp : ChangeStatus::kWaiting;
  }
  job.Count();
  return outcome;
}

}  // namespace renamer
