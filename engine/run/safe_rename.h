#pragma once

#include <string>

#include "engine/disk/file_system.h"

namespace renamer {

/// Renames `from` to `to` inside `dir` without ever replacing an existing entry.
/// Uses the no-replace rename; where the file system lacks it, a link followed by
/// removing the old name. A change of letter case that the file system refuses as
/// "exists" goes through a temporary name. Returns 0, an errno value or
/// kErrorNoSafeRename. When the file could be moved neither to `to` nor back to
/// `from`, `strandedAt` (if given) receives the name it now has, else it is cleared.
int RenameWithoutReplacing(Directory& dir, const std::string& from, const std::string& to,
                           std::string* strandedAt = nullptr);

/// The name a change of letter case parks the file `identity` under on its `attempt`th
/// try. Derived from the file, not the program, so that an undo after a crash knows
/// where to look for it.
std::string TemporaryName(const FileIdentity& identity, int attempt);

/// How many temporary names a change of case tries before it gives up.
inline constexpr int kTemporaryAttempts = 8;

/// True when the two names differ, but only in letter case.
bool DifferOnlyInCase(const std::string& a, const std::string& b);

}  // namespace renamer
