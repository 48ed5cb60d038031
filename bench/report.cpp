#include "bench/report.h"

#include <cstdio>

namespace renamer::bench {
namespace {

void PrintSpan(const std::vector<double>& samples) {
  const Summary s = Summarize(samples);
  std::printf(" %10.1f %9.1f..%-9.1f", s.median, s.min, s.max);
}

void PrintRatio(const std::vector<double>& ratios) {
  const Summary s = Summarize(ratios);
  std::printf(" %6.3f %5.3f..%-5.3f", s.median, s.min, s.max);
}

double PerFileMicroseconds(const std::vector<double>& samples, std::size_t files) {
  return files == 0 ? 0 : Summarize(samples).median * 1000.0 / static_cast<double>(files);
}

void PrintRuleTable(const std::vector<RuleRow>& rows) {
  std::printf("%-9s %7s  %-30s %-30s %-19s %6s %8s %8s %10s %8s\n", "rule", "files",
              "floor ms: median  range", "engine ms: median  range", "ratio: median range", "cpu",
              "floor", "engine", "listing", "peak");
  std::printf("%-9s %7s  %-30s %-30s %-19s %6s %8s %8s %10s %8s\n", "", "", "", "", "", "ratio",
              "us/file", "us/file", "ms", "B/file");
  for (const RuleRow& row : rows) {
    std::printf("%-9s %7zu ", row.rule.c_str(), row.files);
    PrintSpan(row.floorMs);
    PrintSpan(row.engineMs);
    PrintRatio(row.ratios);
    std::printf(" %6.3f", Summarize(row.cpuRatios).median);
    const double perFile =
        row.files == 0 ? 0
                       : static_cast<double>(row.peakExtraBytes) / static_cast<double>(row.files);
    std::printf(" %8.2f %8.2f %10.1f %8.0f\n", PerFileMicroseconds(row.floorMs, row.files),
                PerFileMicroseconds(row.engineMs, row.files), Summarize(row.listMs).median,
                perFile);
  }
}

void PrintWindowTable(const std::vector<WindowRow>& rows) {
  std::printf("%-12s %-9s %7s  %-30s %-30s %-19s %6s\n", "window", "rule", "files",
              "window ms: median  range", "floor ms: median  range", "ratio: median range", "cpu");
  for (const WindowRow& row : rows) {
    std::printf("%-12s %-9s %7zu ", row.what.c_str(), row.rule.empty() ? "-" : row.rule.c_str(),
                row.files);
    PrintSpan(row.ms);
    if (row.floorMs.empty()) {
      std::printf("\n");
      continue;
    }
    PrintSpan(row.floorMs);
    PrintRatio(row.ratios);
    std::printf(" %6.3f\n", Summarize(row.cpuRatios).median);
  }
}

// The columns a text takes on a terminal: Chinese characters (three bytes in UTF-8)
// take two, ASCII one.
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;
    columns += byte >= 0xE0 ? 2 : 1;
  }
  return columns;
}

void PrintTargetTable(const std::vector<TargetRow>& rows) {
  constexpr std::size_t kWidth = 72;
  std::printf("\nTargets (medians)\n%-72s %10s %10s %-6s %s\n", "measurement", "median", "target",
              "unit", "met");
  for (const TargetRow& row : rows) {
    const std::size_t columns = Columns(row.what);
    std::printf("%s%*s %10.2f %10.2f %-6s %s\n", row.what.c_str(),
                static_cast<int>(columns < kWidth ? kWidth - columns : 0), "", row.value,
                row.target, row.unit.c_str(), row.Met() ? "yes" : "no");
  }
}

}  // namespace

void PrintTable(const Results& results) {
  std::printf(
      "\nEngine against the floor (listing + status + no-replace rename per file);\n"
      "ratios are engine / floor pair by pair, \"cpu\" the same in CPU time\n");
  PrintRuleTable(results.rules);
  if (!results.orders.empty()) {
    std::printf("\nThe floor loop in the orders a run must keep, %zu files:\n", results.orderFiles);
    for (const OrderRow& row : results.orders) {
      std::printf("%-18s", row.order.c_str());
      PrintSpan(row.ms);
      PrintRatio(row.ratios);
      std::printf("\n");
    }
  }
  if (!results.sortMs.empty()) {
    const Summary s = Summarize(results.sortMs);
    std::printf("\nSortByTime on %zu keys: median %.2f ms, range %.2f..%.2f ms\n", results.sortKeys,
                s.median, s.min, s.max);
  }
  std::printf("Peak resident size of the whole process: %.1f MiB\n",
              static_cast<double>(results.processPeakBytes) / (1024.0 * 1024.0));
  std::printf("\nWindow (offscreen)\n");
  if (!results.windowNote.empty()) std::printf("not measured: %s\n", results.windowNote.c_str());
  if (!results.windows.empty()) PrintWindowTable(results.windows);
  if (!results.targets.empty()) PrintTargetTable(results.targets);
  std::printf("\n");
}

void PrintResultLines(const Results& results) {
  for (const RuleRow& row : results.rules) {
    std::printf("RESULT rule=%s files=%zu engine_ms=%.1f floor_ms=%.1f ratio=%.2f\n",
                row.rule.c_str(), row.files, Summarize(row.engineMs).median,
                Summarize(row.floorMs).median, Summarize(row.ratios).median);
  }
  for (const RuleRow& row : results.rules) {
    if (row.undoMs.empty()) continue;
    std::printf("RESULT undo rule=%s files=%zu ms=%.1f floor_ms=%.1f ratio=%.2f\n",
                row.rule.c_str(), row.files, Summarize(row.undoMs).median,
                Summarize(row.floorMs).median, Summarize(row.undoRatios).median);
  }
  for (const WindowRow& row : results.windows) {
    if (row.floorMs.empty()) {
      std::printf("RESULT window=%s files=%zu ms=%.1f\n", row.what.c_str(), row.files,
                  Summarize(row.ms).median);
      continue;
    }
    std::printf("RESULT window=%s rule=%s files=%zu ms=%.1f floor_ms=%.1f ratio=%.2f\n",
                row.what.c_str(), row.rule.c_str(), row.files, Summarize(row.ms).median,
                Summarize(row.floorMs).median, Summarize(row.ratios).median);
  }
  for (const TargetRow& row : results.targets) {
    std::printf("RESULT row=%s value=%.*f target=%.*f unit=%s met=%s\n", row.key.c_str(),
                row.unit == "ratio" ? 3 : 1, row.value, row.unit == "ratio" ? 2 : 0, row.target,
                row.unit.c_str(), row.Met() ? "yes" : "no");
  }
  std::fflush(stdout);
}

}  // namespace renamer::bench
