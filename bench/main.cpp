// Times rename runs against the least the file system lets a run do, at several sizes,
// and the window at one size, and prints tables followed by one "RESULT ..." line per
// measurement, ending with one "RESULT row=..." line per target.

#include <sys/resource.h>
#include <sys/statfs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_dir.h"
#include "bench/engine_runs.h"
#include "bench/floor_loop.h"
#include "bench/measure.h"
#include "bench/report.h"
#include "bench/window_runs.h"
#include "tests/support/temp_dir.h"

namespace renamer::bench {
namespace {

struct Options {
  std::vector<std::size_t> sizes = {1000, 10000, 100000};
  int repetitions = 5;
  std::string parent;
  bool window = true;
  bool orders = true;
  std::size_t windowFiles = 100000;
  /// Small JPEGs with Exif dates whose capture times the window reads.
  int photoFiles = 10000;
};

const char* const kUsage =
    "usage: renamer_bench [--sizes N,N,...] [--reps R] [--dir PARENT] [--window-files N]\n"
    "                     [--photo-files N] [--no-window] [--no-orders]\n";

std::vector<std::size_t> ParseSizes(const std::string& text) {
  std::vector<std::size_t> sizes;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ',')) sizes.push_back(std::stoul(item));
  return sizes;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--sizes" && hasValue) {
      options.sizes = ParseSizes(argv[++i]);
    } else if (arg == "--reps" && hasValue) {
      options.repetitions = std::stoi(argv[++i]);
    } else if (arg == "--dir" && hasValue) {
      options.parent = argv[++i];
    } else if (arg == "--window-files" && hasValue) {
      options.windowFiles = std::stoul(argv[++i]);
    } else if (arg == "--photo-files" && hasValue) {
      options.photoFiles = std::stoi(argv[++i]);
    } else if (arg == "--no-window") {
      options.window = false;
    } else if (arg == "--no-orders") {
      options.orders = false;
    } else {
      throw std::invalid_argument(kUsage);
    }
  }
  if (options.repetitions < 1 || options.sizes.empty()) throw std::invalid_argument(kUsage);
  if (options.parent.empty()) options.parent = std::filesystem::temp_directory_path().string();
  return options;
}

std::string FileSystemName(const std::string& path) {
  struct statfs info {};
  if (::statfs(path.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53UL:
      return "ext2/3/4";
    case 0x01021994UL:
      return "tmpfs";
    case 0x58465342UL:
      return "xfs";
    case 0x9123683EUL:
      return "btrfs";
    case 0x794C7630UL:
      return "overlayfs";
    default:
      break;
  }
  char hex[32];
  std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(info.f_type));
  return hex;
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

FloorResult MeasureFloor(const FileSet& set, const BenchRule& rule) {
  const BenchDirectory dir(set);
  const FloorResult result = RunFloor(dir.path(), rule.prefix.empty(), rule.prefix);
  Check(result.renamed == set.size() && result.failed == 0, "the floor loop missed files");
  Check(dir.CountWithPrefix("img_") == 0, "the floor loop left old names behind");
  return result;
}

EngineResult MeasureEngine(const FileSet& set, const BenchRule& rule) {
  const BenchDirectory dir(set);
  EngineResult result = RunEngine(dir.path(), rule, false);
  Check(result.listed == set.size(), "the listing missed files");
  Check(result.report.empty(), "the engine reported failures");
  Check(dir.CountWithPrefix("img_") == 0, "the engine left old names behind");
  return result;
}

// A run and its undo on a fresh directory; only the undo is kept.
double MeasureUndo(const FileSet& set, const BenchRule& rule) {
  const BenchDirectory dir(set);
  const EngineResult result = RunEngine(dir.path(), rule, true);
  Check(result.report.empty() && result.undoReport.empty(), "the undo reported failures");
  Check(dir.CountWithPrefix("img_") == set.size(), "the undo left new names behind");
  return result.undoMs;
}

// One floor run and one engine run on fresh directories, in alternating order so that
// neither always profits from what the other left in the caches.
void MeasurePair(const FileSet& set, const BenchRule& rule, bool engineFirst, RuleRow& row) {
  EngineResult engine;
  if (engineFirst) engine = MeasureEngine(set, rule);
  const FloorResult floor = MeasureFloor(set, rule);
  if (!engineFirst) engine = MeasureEngine(set, rule);
  row.floorMs.push_back(floor.ms);
  row.engineMs.push_back(engine.totalMs());
  row.listMs.push_back(engine.listMs);
  row.ratios.push_back(engine.totalMs() / floor.ms);
  row.cpuRatios.push_back(engine.cpuMs / floor.cpuMs);
  row.peakExtraBytes = std::max(row.peakExtraBytes, engine.peakExtraBytes);
  row.undoMs.push_back(MeasureUndo(set, rule));
  row.undoRatios.push_back(row.undoMs.back() / floor.ms);
}

// The set of `options.windowFiles` files is handed out through `kept` for the window,
// so that it is made only once.
std::vector<RuleRow> MeasureRules(const Options& options, std::unique_ptr<FileSet>& kept) {
  const std::vector<BenchRule> rules = {{u"ADDPRENO", u"6", ""}, {u"ADDPRE", u"p_", "p_"}};
  std::vector<RuleRow> rows;
  for (std::size_t files : options.sizes) {
    auto set = std::make_unique<FileSet>(options.parent, MakeTimes(files, files));
    std::vector<RuleRow> sizeRows(rules.size());
    for (std::size_t r = 0; r < rules.size(); ++r) {
      sizeRows[r].rule = r == 0 ? "ADDPRENO" : "ADDPRE";
      sizeRows[r].files = files;
    }
    for (int rep = 0; rep < options.repetitions; ++rep) {
      std::fprintf(stderr, "files=%zu repetition %d/%d\n", files, rep + 1, options.repetitions);
      for (std::size_t r = 0; r < rules.size(); ++r) {
        MeasurePair(*set, rules[r], rep % 2 == 1, sizeRows[r]);
      }
    }
    rows.insert(rows.end(), sizeRows.begin(), sizeRows.end());
    if (files == options.windowFiles && options.window) kept = std::move(set);
  }
  return rows;
}

// The floor loop renaming in the directory's order, in name order (the file list's) and
// in time order ("ADDPRENO"'s), rotated from round to round.
std::vector<OrderRow> MeasureOrders(const Options& options, std::size_t files) {
  const FileSet set(options.parent, MakeTimes(files, files));
  std::vector<OrderRow> rows = {
      {"directory order", {}, {}}, {"name order", {}, {}}, {"time order", {}, {}}};
  for (int rep = 0; rep < options.repetitions; ++rep) {
    std::fprintf(stderr, "orders files=%zu repetition %d/%d\n", files, rep + 1,
                 options.repetitions);
    double ms[3] = {0, 0, 0};
    for (int step = 0; step < 3; ++step) {
      const int which = (step + rep) % 3;
      const BenchDirectory dir(set);
      const FloorResult result = which == 0   ? RunFloor(dir.path(), true, "")
                                 : which == 1 ? RunFloorInOrder(dir.path(), FloorOrder::kName)
                                              : RunFloorInOrder(dir.path(), FloorOrder::kTime);
      Check(result.renamed == files, "the floor loop missed files");
      ms[which] = result.ms;
    }
    for (int which = 0; which < 3; ++which) {
      rows[which].ms.push_back(ms[which]);
      rows[which].ratios.push_back(ms[which] / ms[0]);
    }
  }
  return rows;
}

int Run(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  // The runs' undo journals go beside the files (as a home usually shares their disk),
  // not into the home of whoever runs the benchmark.
  std::unique_ptr<testing::TempDir> state;
  if (std::getenv("XDG_STATE_HOME") == nullptr) {
    state = std::make_unique<testing::TempDir>(options.parent, "renamer-bench-state");
    ::setenv("XDG_STATE_HOME", state->path().c_str(), 1);
  }
  std::printf("Files are made under %s (%s); %d repetitions per size.\n", options.parent.c_str(),
              FileSystemName(options.parent).c_str(), options.repetitions);
  Results results;
  std::unique_ptr<FileSet> windowSet;
  results.rules = MeasureRules(options, windowSet);

  if (options.orders) {
    results.orderFiles = *std::max_element(options.sizes.begin(), options.sizes.end());
    results.orders = MeasureOrders(options, results.orderFiles);
  }

  const std::size_t sortKeys = 100000;
  const std::vector<std::int64_t> times = MakeTimes(sortKeys, 7);
  results.sortKeys = sortKeys;
  for (int rep = 0; rep < options.repetitions; ++rep)
    results.sortMs.push_back(TimeSortByTime(times));

  std::vector<TargetRow> windowTargets;
  if (options.window) {
    if (!windowSet) {
      windowSet = std::make_unique<FileSet>(options.parent,
                                            MakeTimes(options.windowFiles, options.windowFiles));
    }
    const WindowMeasurements window =
        MeasureWindow(argc, argv, *windowSet, options.photoFiles, options.repetitions);
    results.windows = window.rows;
    windowTargets = window.targets;
    results.windowNote = window.note;
  } else {
    results.windowNote = "left out with --no-window";
  }

  // The engine's rows of the targets table are those at the window's size.
  const std::string files = " at " + std::to_string(options.windowFiles) + " files";
  std::vector<TargetRow> targets;
  for (const RuleRow& row : results.rules) {
    if (row.files != options.windowFiles) continue;
    const bool numbering = row.rule == "ADDPRENO";
    targets.push_back({numbering ? "run_floor_addpreno" : "run_floor_addpre",
                       "run / floor, " + std::string(numbering ? "前加顺序号" : "增加前缀") + files,
                       Summarize(row.ratios).median, 1.10, "ratio"});
  }
  std::sort(targets.begin(), targets.end(),
            [](const TargetRow& a, const TargetRow& b) { return a.key < b.key; });
  results.targets = targets;
  results.targets.insert(results.targets.end(), windowTargets.begin(), windowTargets.end());

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  results.processPeakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  PrintTable(results);
  PrintResultLines(results);
  return 0;
}

}  // namespace
}  // namespace renamer::bench

int main(int argc, char** argv) {
  try {
    return renamer::bench::Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "renamer_bench: %s\n", error.what());
    return 1;
  }
}
