#include "engine/undo/undo_report.h"

#include <cstdint>

#include "engine/disk/file_system.h"
#include "engine/rules/text.h"
#include "engine/run/report.h"

namespace renamer {
namespace {

/// The heading and the entries of the files of `outcome` with `status`, or empty for none.
std::u16string Section(const JobOutcome& outcome, ChangeStatus status,
                       std::u16string_view heading) {
  const std::u16string& path = outcome.path;
  const std::u16string prefix = path == u"/" ? path : path + u"/";
  std::u16string entries;
  std::uint64_t count = 0;
  for (const FileChange& change : outcome.changes) {
    if (change.status != status) continue;
    ++count;
    entries.append(prefix).append(change.from).append(u" -> ").append(prefix).append(change.to);
    entries.append(u"(").append(ChangeReason(prefix, change)).append(u")").append(kEntryEnd);
  }
  if (count == 0) return {};
  return u"以下 " + DecimalText(static_cast<long long>(count)) + std::u16string(heading) +
         std::u16string(kEntryEnd) + entries;
}

/// What an undo tells instead of undoing when it stopped before the first file.
std::u16string UndoRefusal(Stop stop) {
  switch (stop) {
    case Stop::kNothingToUndo:
      return u"没有可以撤销的改名。";
    case Stop::kUndoBusy:
      return u"另一个程序正在改名或撤销，请稍后再按“撤销”。";
    case Stop::kUndoChanged:
      return u"可以撤销的改名已经变了（另一个程序刚改名或撤销过），本次没有撤销任何文件。"
             u"请看“撤销”按钮的提示，再按一次。";
    case Stop::kUndoDamaged:
      return u"最近一次改名的撤销记录已损坏，无法撤销它；已删除这份记录，"
             u"再按“撤销”将撤销在它之前的改名。";
    case Stop::kUndoUnsafe:
      return u"无法撤销：" + DescribeError(kErrorStateUnsafe) + u"，其中的撤销记录不可信。";
    default:  // a run's, or none
      return {};
  }
}

}  // namespace

std::u16string UnsavedUndoLine(int error) {
  return u"撤销记录未能保存：" + DescribeError(error) +
         u"。在关闭本程序之前，再按“撤销”仍会接着这次的结果进行。";
}

std::u16string UndoReport(const JobOutcome& outcome) {
  if (outcome.stop != Stop::kNone) return UndoRefusal(outcome.stop);
  const bool unfinished = outcome.left != 0 || outcome.failed != 0;
  if (!unfinished && outcome.journalError == 0) return {};
  std::u16string report;
  if (unfinished) report.append(u"撤销未全部完成：").append(kEntryEnd);
  if (outcome.journalError != 0) {
    report.append(UnsavedUndoLine(outcome.journalError)).append(kEntryEnd);
  }
  if (outcome.left != 0) report.append(CancelledLine(outcome.left)).append(kEntryEnd);
  report += Section(outcome, ChangeStatus::kWaiting, u" 个文件仍待撤销，再按“撤销”将重试：");
  report += Section(outcome, ChangeStatus::kGivenUp, u" 个文件无法恢复原名，不再撤销：");
  return report;
}

}  // namespace renamer
