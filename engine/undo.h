#pragma once

#include <cstdint>
#include <string>

#include "engine/file_system.h"
#include "engine/run_control.h"
#include "engine/undo_journal.h"

namespace renamer {

/// Renames the files of `run` back to their names before it, newest rename first, each
/// only while its new name still holds the very file the run renamed and never
/// replacing anything. A file found under its old name already is left silently, so
/// undoing the same run twice (after a crash during the first) does no harm. Returns
/// the report of the files that could not go back ("new -> old(reason)", LF CR each);
/// `left` receives how many steps a cancel through `control` left untried.
std::u16string UndoJournaledRun(FileSystem& fs, const JournaledRun& run, RunControl* control,
                                std::uint64_t& left);

}  // namespace renamer
