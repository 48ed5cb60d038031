#pragma once

#include <cstddef>

namespace renamer {

/// The order in which a run plans and renames the listed files, and so numbers them and
/// decides who gets a name that two files would take.
enum class Ordering {
  kList,      ///< as the file list shows them
  kModified,  ///< by modification time, oldest first
  kTaken,     ///< by capture time, oldest first; the modification time where a file has none
};

/// How many orderings there are: a table with one slot per ordering has this size.
inline constexpr std::size_t kOrderingCount = static_cast<std::size_t>(Ordering::kTaken) + 1;

/// True when putting files into `ordering` needs the time key of each file.
constexpr bool NeedsTimes(Ordering ordering) { return ordering != Ordering::kList; }

/// True when putting files into `ordering` reads the photo metadata of each file.
constexpr bool ReadsCaptureTimes(Ordering ordering) { return ordering == Ordering::kTaken; }

}  // namespace renamer
