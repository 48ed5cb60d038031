#include "engine/undo.h"

#include "engine/file_names.h"
#include "engine/report.h"
#include "engine/run_plan.h"
#include "engine/safe_rename.h"
#include "engine/text.h"

namespace renamer {
namespace {

/// Where the step's file was found.
enum class Place {
  kNew,        ///< under its new name: rename it back
  kOld,        ///< under its old name only: nothing to do
  kBoth,       ///< under both, through an extra link that a crash left: drop the new one
  kTemporary,  ///< parked under a temporary name by a crash during a change of case
  kNowhere,    ///< not found; `reason` says why
};

struct Found {
  Place place = Place::kNowhere;
  std::string temporary;
  std::u16string_view reason;
};

Found Locate(Directory& dir, const JournalStep& step) {
  FileIdentity atNew;
  FileIdentity atOld;
  const bool newTaken = dir.Identify(step.newName, atNew) == 0;
  const bool fileAtNew = newTaken && SameFile(atNew, step.identity);
  // A file under its new name is under its old one too only through one more link.
  const bool lookAtOld = !fileAtNew || atNew.links > 1;
  const bool fileAtOld =
      lookAtOld && dir.Identify(step.oldName, atOld) == 0 && SameFile(atOld, step.identity);
  // On a file system that ignores case both spellings find the one entry, and only a
  // rename tells which one it has.
  if (fileAtNew && fileAtOld && !DifferOnlyInCase(step.newName, step.oldName)) {
    // One more link than the file had: the run linked the new name and died before it
    // removed the old one. Otherwise the run never got to it and both names were there.
    return {atNew.links > step.identity.links ? Place::kBoth : Place::kOld, {}, {}};
  }
  if (fileAtNew) return {Place::kNew, {}, {}};
  if (fileAtOld) return {Place::kOld, {}, {}};
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string temporary = TemporaryName(step.identity, attempt);
    FileIdentity parked;
    if (dir.Identify(temporary, parked) == 0 && SameFile(parked, step.identity)) {
      return {Place::kTemporary, std::move(temporary), {}};
    }
  }
  if (!newTaken) return {Place::kNowhere, {}, kUndoGone};
  // With neither a birth time nor a generation, a file changed since and a new file
  // that got its inode number look alike; the user is told which doubt it is.
  const bool undecided = atNew.device == step.identity.device &&
                         atNew.inode == step.identity.inode &&
                         (atNew.birthNanoseconds == 0 || step.identity.birthNanoseconds == 0) &&
                         !(atNew.hasGeneration && step.identity.hasGeneration);
  return {Place::kNowhere, {}, undecided ? kUndoChanged : kUndoReplaced};
}

/// Takes one step back; returns 0, or why not in `reason` with whether the file is gone
/// for good (then no later try can help).
int TakeBack(Directory& dir, const std::u16string& prefix, const JournalStep& step,
             std::u16string& reason, bool& gone) {
  const Found found = Locate(dir, step);
  gone = false;
  PlannedRename back;
  back.hasNewName = true;
  switch (found.place) {
    case Place::kOld:
      return 0;
    case Place::kBoth:
      back.error = dir.Unlink(step.newName);
      break;
    case Place::kNew:
      back.error = RenameWithoutReplacing(dir, step.newName, step.oldName, &back.strandedAt);
      break;
    case Place::kTemporary:
      back.error = RenameWithoutReplacing(dir, found.temporary, step.oldName);
      if (back.error != 0) back.strandedAt = found.temporary;
      break;
    case Place::kNowhere:
      reason = found.reason;
      gone = true;
      return -1;
  }
  if (back.error != 0) reason = FailureReason(prefix, back);
  return back.error;
}

}  // namespace

UndoOutcome UndoJournaledRun(FileSystem& fs, const JournaledRun& run, RunControl* control) {
  UndoOutcome outcome;
  outcome.state = run.state;
  outcome.state.resize(run.steps.size(), StepState::kToTakeBack);
  const std::u16string directory = DecodeFileName(run.path);
  const std::u16string prefix = directory == u"/" ? directory : directory + u"/";
  int error = 0;
  const std::unique_ptr<Directory> dir = fs.Open(run.path, error);
  std::u16string directoryFault;
  FileIdentity found;
  if (dir == nullptr) {
    directoryFault = DescribeError(error);
  } else if (dir->Identify(".", found) != 0 || !SameDirectory(found, run.directory)) {
    directoryFault = kUndoOtherDirectory;
  }

  const std::size_t count = run.steps.size();
  if (control != nullptr) {
    control->done.store(0);
    control->total.store(count);
  }
  for (std::size_t handled = 0; handled < count; ++handled) {
    const std::size_t i = count - 1 - handled;
    if (!run.Pending(i)) continue;
    if (control != nullptr && control->cancel.load()) {
      ++outcome.left;
      continue;
    }
    if (control != nullptr) control->done.store(handled + 1);
    const JournalStep& step = run.steps[i];
    std::u16string reason = directoryFault;
    bool gone = false;
    FileChange& change = outcome.changes.emplace_back(
        FileChange{DecodeFileName(step.newName), DecodeFileName(step.oldName), false, {}});
    if (reason.empty()) {
      const CallTimer timer(control);
      if (TakeBack(*dir, prefix, step, reason, gone) == 0) {
        outcome.state[i] = StepState::kDone;
        change.done = true;
        continue;
      }
    }
    change.reason = reason;
    // A file that is gone cannot come back, and one that failed before has been seen to
    // fail: neither may keep the runs before it from being undone.
    if (gone || outcome.state[i] == StepState::kReported) {
      outcome.state[i] = StepState::kDone;
      outcome.givenUp += UndoEntry(prefix, step, reason);
      ++outcome.givenUpCount;
      continue;
    }
    outcome.state[i] = StepState::kReported;
    outcome.waiting += UndoEntry(prefix, step, reason);
    ++outcome.waitingCount;
  }
  return outcome;
}

JobOutcome OutcomeOfUndo(std::u16string path, UndoOutcome outcome) {
  JobOutcome done;
  done.kind = JobKind::kUndo;
  done.path = std::move(path);
  done.changes = std::move(outcome.changes);
  for (const FileChange& change : done.changes) ++(change.done ? done.done : done.failed);
  done.left = outcome.left;
  return done;
}

}  // namespace renamer
