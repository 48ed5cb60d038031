#include "bench/engine_runs.h"

#include <malloc.h>

#include "bench/bench_dir.h"
#include "bench/measure.h"
#include "engine/disk/file_names.h"
#include "engine/rules/time_key.h"
#include "tests/support/memory_window.h"

namespace renamer::bench {

EngineResult RunEngine(const std::string& directory, const BenchRule& rule, bool undo) {
  EngineResult result;
  testing::MemoryWindow window;
  window.path = DecodeFileName(directory);
  window.valueText = rule.value;
  RenameEngine engine(window);
  engine.ChgMode = rule.code;
  // Freed memory of earlier runs would otherwise still count as resident and hide
  // what this run needs.
  ::malloc_trim(0);
  const std::uint64_t before = ResidentBytes();
  const bool peakReset = ResetPeakResident();

  const double cpuStart = ThreadCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  // As the window does: the listing tells the run the directory's own order.
  window.files = engine.ListFiles(window.path, nullptr, &window.places);
  result.listMs = MillisecondsSince(start);
  const Clock::time_point runStart = Clock::now();
  result.report = engine.RenameFiles();
  result.runMs = MillisecondsSince(runStart);
  result.cpuMs = ThreadCpuMilliseconds() - cpuStart;

  const std::uint64_t peak = PeakResidentBytes();
  result.peakExtraBytes = peakReset && peak > before ? peak - before : 0;
  result.listed = window.files.size();
  if (!undo) return result;
  const Clock::time_point undoStart = Clock::now();
  result.undoReport = engine.UndoLastRun();
  result.undoMs = MillisecondsSince(undoStart);
  return result;
}

double TimeSortByTime(const std::vector<std::int64_t>& times) {
  std::vector<std::u16string> keys;
  std::vector<std::u16string> names;
  keys.reserve(times.size());
  names.reserve(times.size());
  for (std::size_t i = 0; i < times.size(); ++i) {
    keys.push_back(MakeTimeKey(TimeTextOf(times[i])));
    names.push_back(DecodeFileName(FileNameAt(i)));
  }
  const Clock::time_point start = Clock::now();
  SortByTime(keys, names);
  return MillisecondsSince(start);
}

}  // namespace renamer::bench
