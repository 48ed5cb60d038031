#pragma once

#include <cstddef>
#include <string>

namespace renamer::bench {

/// What the floor loop did and how long it took.
struct FloorResult {
  double ms = 0;
  double cpuMs = 0;
  std::size_t renamed = 0;
  std::size_t failed = 0;
};

/// The least a rename run can do, written straight on the system calls: list the
/// directory with readdir, read each regular file's status with fstatat and rename it
/// with renameat2(RENAME_NOREPLACE). The new name is the old one behind a six-digit
/// running number when `numbered`, else behind `prefix`, so it is as long as the one
/// the engine makes.
FloorResult RunFloor(const std::string& directory, bool numbered, const std::string& prefix);

/// The order in which a floor loop renames.
enum class FloorOrder {
  kName,  ///< by name, as the file list shows them
  kTime,  ///< by modification time, as "ADDPRENO" renames
};

/// The numbering floor loop renaming in `order` instead of the directory's own: it
/// lists, reads every status, orders, then renames. It shows what the order alone
/// costs the file system.
FloorResult RunFloorInOrder(const std::string& directory, FloorOrder order);

}  // namespace renamer::bench
