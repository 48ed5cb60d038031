#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::testing {

/// What RenameFiles() returns, and what that run did.
struct WindowRun {
  std::u16string report;
  JobOutcome outcome;
};

/// The run of RenameFiles() on what `window` shows, with its outcome: the window's request
/// run through RenameFiles(request), whose last running number then goes into the
/// window's string field.
WindowRun RunWithOutcome(RenameEngine& engine, WindowPort& window);

/// Checks a run's outcome against its plan, `planned` (every planned file of the
/// outcome, in plan order): every planned file, whose name after the run is
/// `finalNames[j]` (bytes), either bears its planned new name or still bears its old
/// name and has, in plan order, exactly one report entry with that old path; the
/// report holds nothing else. Returns a description of the first breach, or nothing.
std::optional<std::string> CheckReportEntries(const std::u16string& report,
                                              const std::vector<FileChange>& planned,
                                              const std::vector<std::string>& finalNames,
                                              std::u16string_view prefix);

}  // namespace renamer::testing
