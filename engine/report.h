#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job_outcome.h"
#include "engine/run_plan.h"

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

/// The reason a failed file gives in its report entry.
std::u16string FailureReason(std::u16string_view prefix, const PlannedRename& planned);

/// The report entry for a planned file that was not renamed.
std::u16string ReportEntry(std::u16string_view prefix, const PlannedRename& planned);

/// The report of a plan: one entry per failed file, in plan order.
std::u16string FormatReport(std::u16string_view prefix, const std::vector<PlannedRename>& plan);

/// Why `change` did not get its new name, as the reports and the list's tooltips word
/// it; names that the reason gives read with `prefix`.
std::u16string ChangeReason(std::u16string_view prefix, const FileChange& change);

}  // namespace renamer
