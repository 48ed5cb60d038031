#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run/job_outcome.h"

namespace renamer {

/// Text that ends every report entry: a line feed, then a carriage return.
inline constexpr std::u16string_view kEntryEnd = u"\n\r";

/// A short Chinese description of an error (an errno value or one of the engine's own
/// codes) for the report.
std::u16string DescribeError(int error);

/// Start of the message for a file whose modification time cannot be read.
inline constexpr std::u16string_view kUnreadableTimeMessage = u"无法读取文件的修改时间：";

/// The message that stops a run before it renames anything: the modification time of
/// `prefix` + `name` cannot be read.
std::u16string UnreadableTimeMessage(std::u16string_view prefix, std::u16string_view name,
                                     int error);

/// The line a cancelled run's report begins with.
std::u16string CancelledLine(std::uint64_t left);

/// The line a report begins with when the run could not write its journal.
std::u16string JournalFaultLine(int error);

/// Why an undo could not take a file back, beside the errors that DescribeError() tells.
inline constexpr std::u16string_view kUndoGone = u"改名后的文件已不在";
inline constexpr std::u16string_view kUndoReplaced = u"该名称下已是另一个文件";
inline constexpr std::u16string_view kUndoChanged = u"文件在改名后被修改过，无法确认还是原来的文件";
inline constexpr std::u16string_view kUndoOtherDirectory = u"目录已不是改名时的那个目录";

/// Why `change` did not get its new name, as its report entry and the window word it;
/// names in the reason follow `prefix`, the folder and "/".
std::u16string ChangeReason(std::u16string_view prefix, const FileChange& change);

/// What a run tells the user, worded from its outcome: the message of an unreadable time;
/// else the cancel line, the line of a journal that could not be written (only when a
/// file was renamed) and an entry per failed file, in plan order.
std::u16string RunReport(const JobOutcome& outcome);

}  // namespace renamer
