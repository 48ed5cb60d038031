#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::testing {

/// Checks a run's outcome against its plan: every planned file, whose name after the
/// run is `finalNames[j]` (bytes), either bears its planned new name or still bears its
/// old name and has, in plan order, exactly one report entry with that old path; the
/// report holds nothing else. Returns a description of the first breach, or nothing.
std::optional<std::string> CheckReportEntries(const std::u16string& report,
                                              const std::vector<PlannedRename>& plan,
                                              const std::vector<std::string>& finalNames,
                                              std::u16string_view prefix);

}  // namespace renamer::testing
