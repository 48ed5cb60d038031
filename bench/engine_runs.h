#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::bench {

/// A rule as the benchmark runs it: its code and the value field's text.
struct BenchRule {
  std::u16string code;
  std::u16string value;
  /// The ASCII prefix every new name starts with when the rule adds a fixed prefix;
  /// empty for the running number.
  std::string prefix;
};

/// What one engine run did and how long its parts took.
struct EngineResult {
  double listMs = 0;  ///< the file list's listing (ListFiles)
  double runMs = 0;   ///< RenameFiles
  double totalMs() const { return listMs + runMs; }
  double cpuMs = 0;  ///< CPU time of both parts
  std::size_t listed = 0;
  std::u16string report;
  std::uint64_t peakExtraBytes = 0;  ///< peak resident size above the size before the run
  double undoMs = 0;                 ///< UndoLastRun right after the run
  std::u16string undoReport;
};

/// Lists `directory` as the file list does and runs `rule` over it with RenameFiles;
/// then, with `undo`, takes the run back with UndoLastRun.
EngineResult RunEngine(const std::string& directory, const BenchRule& rule, bool undo);

/// Times renamer::SortByTime alone on the time keys of `times` (fresh copies per call).
double TimeSortByTime(const std::vector<std::int64_t>& times);

}  // namespace renamer::bench
