#pragma once

#include <string>

#include "engine/file_system.h"

namespace renamer {

/// Renames `from` to `to` inside `dir` without ever replacing an existing entry.
/// Uses the no-replace rename; where the file system lacks it, a link followed by
/// removing the old name. A change of letter case on a file system that ignores case
/// goes through a temporary name. Returns 0, an errno value or kErrorNoSafeRename.
int RenameWithoutReplacing(Directory& dir, const std::string& from, const std::string& to);

}  // namespace renamer
