#include "engine/run/report.h"

#include <cstring>
#include <string>

#include "engine/disk/file_names.h"
#include "engine/disk/file_system.h"
#include "engine/rules/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kNoNewName = u" -> (文件名不能为空)";

}  // namespace

std::u16string DescribeError(int error) {
  // Each text with the errno values and engine codes that it describes.
  static constexpr struct {
    std::u16string_view text;
    int errors[2];
  } kTexts[] = {
      {u"目标文件已存在", {EEXIST, ENOTEMPTY}},
      {u"文件不存在", {ENOENT, ENOENT}},
      {u"没有权限", {EACCES, EPERM}},
      {u"文件系统是只读的", {EROFS, EROFS}},
      {u"文件名太长", {ENAMETOOLONG, ENAMETOOLONG}},
      {u"磁盘空间不足", {ENOSPC, EDQUOT}},
      {u"文件超出了允许的大小", {EFBIG, EFBIG}},
      {u"文件正在使用中", {EBUSY, ETXTBSY}},
      {u"路径中有一部分不是目录", {ENOTDIR, ENOTDIR}},
      {u"文件名无效", {EINVAL, EINVAL}},
      {u"不能跨文件系统改名", {EXDEV, EXDEV}},
      {u"读写磁盘出错", {EIO, EIO}},
      {u"此文件系统无法在不覆盖文件的前提下改名", {kErrorNoSafeRename, kErrorNoSafeRename}},
      {u"新文件名不能含有“/”或空字符，也不能是“.”或“..”或空名",
       {kErrorBadNewName, kErrorBadNewName}},
      {u"文件名含有“/”或空字符，或是“.”或“..”，不能改名", {kErrorBadOldName, kErrorBadOldName}},
      {u"已不是普通文件", {kErrorNotRegular, kErrorNotRegular}},
      {u"保存撤销记录的文件夹不属于当前用户，或其他用户也能写入",
       {kErrorStateUnsafe, kErrorStateUnsafe}},
      {u"撤销记录正被另一个程序占用", {kErrorStateBusy, kErrorStateBusy}},
  };
  for (const auto& entry : kTexts) {
    if (entry.errors[0] == error || entry.errors[1] == error) return std::u16string(entry.text);
  }
  char buffer[256];
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  std::string ascii = "系统错误 " + std::to_string(error) + "：" + (text ? text : "");
  return DecodeFileName(ascii);
}

std::u16string UnreadableTimeMessage(std::u16string_view prefix, std::u16string_view name,
                                     int error) {
  return Concat({kUnreadableTimeMessage, prefix, name, u"(", DescribeError(error), u")"});
}

std::u16string CancelledLine(std::uint64_t left) {
  return u"已取消：还有 " + DecimalText(static_cast<long long>(left)) + u" 个文件未处理。";
}

std::u16string JournalFaultLine(int error) {
  return u"无法保存撤销记录：" + DescribeError(error) + u"，本次改名不能撤销。";
}

std::u16string RunReport(const JobOutcome& outcome) {
  const std::u16string prefix = outcome.path + u"/";
  if (outcome.stop == Stop::kUnreadableTime) {
    return UnreadableTimeMessage(prefix, outcome.stopName, outcome.stopError);
  }
  if (outcome.cancelledBeforePlan) return CancelledLine(outcome.left);
  std::u16string report;
  if (outcome.left != 0) report.append(CancelledLine(outcome.left)).append(kEntryEnd);
  // Without a rename there is nothing that undo would have taken back.
  if (outcome.journalError != 0 && outcome.done != 0) {
    report.append(JournalFaultLine(outcome.journalError)).append(kEntryEnd);
  }
  for (const FileChange& change : outcome.changes) {
    if (change.status != ChangeStatus::kFailed) continue;
    if (change.reason == Reason::kNoNewName) {
      report += Concat({prefix, change.from, kNoNewName, kEntryEnd});
    } else {
      report += Concat({prefix, change.from, u" -> ", prefix, change.to, u"(",
                        ChangeReason(prefix, change), u")", kEntryEnd});
    }
  }
  return report;
}

std::u16string ChangeReason(std::u16string_view prefix, const FileChange& change) {
  switch (change.reason) {
    case Reason::kNone:
      break;
    case Reason::kSystem:
      return DescribeError(change.error);
    case Reason::kNoNewName:
      return u"文件名不能为空";
    case Reason::kStranded:
      return Concat({DescribeError(change.error), u"；文件已暂存为“", prefix,
                     DecodeFileName(change.detail), u"”"});
    case Reason::kGone:
      return std::u16string(kUndoGone);
    case Reason::kReplaced:
      return std::u16string(kUndoReplaced);
    case Reason::kChanged:
      return std::u16string(kUndoChanged);
    case Reason::kOtherDirectory:
      return std::u16string(kUndoOtherDirectory);
    case Reason::kLeftover:
      return Concat({u"临时文件名“", prefix, DecodeFileName(change.detail), u"”未能删除：",
                     DescribeError(change.error)});
  }
  return {};
}

}  // namespace renamer
