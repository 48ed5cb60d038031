#pragma once

#include <string>
#include <string_view>

#include "engine/job_outcome.h"

namespace renamer {

/// Why an undo could not take a file back, beside the errors that DescribeError() tells.
inline constexpr std::u16string_view kUndoGone = u"改名后的文件已不在";
inline constexpr std::u16string_view kUndoReplaced = u"该名称下已是另一个文件";
inline constexpr std::u16string_view kUndoChanged = u"文件在改名后被修改过，无法确认还是原来的文件";
inline constexpr std::u16string_view kUndoOtherDirectory = u"目录已不是改名时的那个目录";

/// The line that says that the journal could not record an undo, and what that means.
std::u16string UnsavedUndoLine(int error);

/// The text the window shows after the undo `outcome`: why it undid nothing, or empty
/// when every file went back and the journal recorded it. Else its first line says that
/// an undo did not finish, so that it is not taken for a run's, or that the journal could
/// not record it; then come the files tried again next time and those given up, each
/// "new -> old(reason)" with LF CR, in the order tried.
std::u16string UndoReport(const JobOutcome& outcome);

}  // namespace renamer
