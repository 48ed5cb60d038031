#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/measure.h"

namespace renamer::bench {

/// The measurements of one rule at one size.
struct RuleRow {
  std::string rule;
  std::size_t files = 0;
  std::vector<double> floorMs;
  std::vector<double> engineMs;   ///< listing plus RenameFiles
  std::vector<double> listMs;     ///< the listing part of engineMs
  std::vector<double> ratios;     ///< engine / floor, pair by pair
  std::vector<double> cpuRatios;  ///< the same in CPU time
  std::uint64_t peakExtraBytes = 0;
  std::vector<double> undoMs;      ///< UndoLastRun of the engine's run
  std::vector<double> undoRatios;  ///< undo / floor, pair by pair
};

/// A window measurement at one size; `floorMs` is empty for the opening.
struct WindowRow {
  std::string what;  ///< "open" or "run"
  std::string rule;
  std::size_t files = 0;
  std::vector<double> ms;
  std::vector<double> floorMs;
  std::vector<double> ratios;
  std::vector<double> cpuRatios;
};

/// The numbering floor loop in one rename order, against the directory's own order.
struct OrderRow {
  std::string order;
  std::vector<double> ms;
  std::vector<double> ratios;  ///< against the directory-order floor of the same round
};

/// One row of the targets table: a median of its samples against the most it may be.
struct TargetRow {
  std::string key;   ///< the name on its RESULT line
  std::string what;  ///< what the table calls it
  double value = 0;
  double target = 0;
  std::string unit;  ///< "ms" or "ratio"

  bool Met() const { return value <= target; }
};

/// Everything one benchmark run measured.
struct Results {
  std::vector<RuleRow> rules;
  std::vector<WindowRow> windows;
  std::size_t orderFiles = 0;
  std::vector<OrderRow> orders;
  std::size_t sortKeys = 0;
  std::vector<double> sortMs;
  std::uint64_t processPeakBytes = 0;
  std::string windowNote;  ///< why the window was not measured, when it was not
  /// Each target at the window's size, in the table's order.
  std::vector<TargetRow> targets;
};

/// The readable table.
void PrintTable(const Results& results);

/// One "RESULT ..." line per rule and size and per window measurement, then one
/// "RESULT row=..." line per target.
void PrintResultLines(const Results& results);

}  // namespace renamer::bench
