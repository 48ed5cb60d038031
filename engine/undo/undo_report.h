#pragma once

#include <string>
#include <string_view>

#include "engine/run/job_outcome.h"
#include "engine/run/report.h"

namespace renamer {

/// The line that says that the journal could not record an undo, and what that means.
std::u16string UnsavedUndoLine(int error);

/// The text the window shows after the undo `outcome`: why it undid nothing, or empty
/// when every file went back and the journal recorded it. Else its first line says that
/// an undo did not finish, so that it is not taken for a run's, or that the journal could
/// not record it; then come the files tried again next time and those given up, each
/// "new -> old(reason)" with LF CR, in the order tried.
std::u16string UndoReport(const JobOutcome& outcome);

}  // namespace renamer
