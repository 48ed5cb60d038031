#include "engine/undo.h"

#include "engine/file_names.h"
#include "engine/run_plan.h"
#include "engine/safe_rename.h"

namespace renamer {
namespace {

constexpr std::u16string_view kGone = u"改名后的文件已不在";
constexpr std::u16string_view kReplaced = u"该名称下已是另一个文件";
constexpr std::u16string_view kOtherDirectory = u"目录已不是改名时的那个目录";

std::u16string Entry(std::u16string_view prefix, const JournalStep& step,
                     std::u16string_view reason) {
  std::u16string entry(prefix);
  entry.append(DecodeFileName(step.newName)).append(u" -> ").append(prefix);
  entry.append(DecodeFileName(step.oldName)).append(u"(").append(reason).append(u")");
  return entry.append(kEntryEnd);
}

/// Finds the step's file by its identity: under its new name (`atNew`), or back under
/// its old one (`atOld`); when neither, returns why it cannot go back.
std::u16string_view Locate(Directory& dir, const JournalStep& step, bool& atNew, bool& atOld) {
  FileIdentity found;
  const bool newTaken = dir.Identify(step.newName, found) == 0;
  atNew = newTaken && SameFile(found, step.identity);
  if (atNew) return {};
  atOld = dir.Identify(step.oldName, found) == 0 && SameFile(found, step.identity);
  if (atOld) return {};
  return newTaken ? kReplaced : kGone;
}

}  // namespace

std::u16string UndoJournaledRun(FileSystem& fs, const JournaledRun& run, RunControl* control,
                                std::uint64_t& left) {
  left = 0;
  const std::u16string directory = DecodeFileName(run.path);
  const std::u16string prefix = directory == u"/" ? directory : directory + u"/";
  int error = 0;
  const std::unique_ptr<Directory> dir = fs.Open(run.path, error);
  std::u16string directoryFault;
  FileIdentity found;
  if (dir == nullptr) {
    directoryFault = DescribeError(error);
  } else if (dir->Identify(".", found) != 0 || !SameFile(found, run.directory)) {
    directoryFault = kOtherDirectory;
  }

  const std::size_t count = run.steps.size();
  if (control != nullptr) {
    control->done.store(0);
    control->total.store(count);
  }
  std::u16string report;
  for (std::size_t handled = 0; handled < count; ++handled) {
    if (control != nullptr && control->cancel.load()) {
      left = count - handled;
      break;
    }
    const std::size_t i = count - 1 - handled;
    const JournalStep& step = run.steps[i];
    if (control != nullptr) control->done.store(handled + 1);
    // A finished run says which steps renamed their file; the others never moved.
    if (run.complete && !run.renamed[i]) continue;
    if (!directoryFault.empty()) {
      report += Entry(prefix, step, directoryFault);
      continue;
    }
    bool atNew = false;
    bool atOld = false;
    const CallTimer timer(control);
    const std::u16string_view fault = Locate(*dir, step, atNew, atOld);
    if (atOld) continue;
    if (!atNew) {
      report += Entry(prefix, step, fault);
      continue;
    }
    PlannedRename back;
    back.hasNewName = true;
    back.error = RenameWithoutReplacing(*dir, step.newName, step.oldName, &back.strandedAt);
    if (back.error != 0) report += Entry(prefix, step, FailureReason(prefix, back));
  }
  return report;
}

}  // namespace renamer
