#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/bench_dir.h"
#include "bench/report.h"

namespace renamer::bench {

/// The window's measurements, or why there are none.
struct WindowMeasurements {
  std::vector<WindowRow> rows;
  std::string note;
};

/// Times the main window, offscreen, on fresh directories of the files of `set`:
/// opening the directory, and a whole "ADDPRENO" run from the button press, paired
/// with a floor run.
WindowMeasurements MeasureWindow(int argc, char** argv, const FileSet& set, int repetitions);

}  // namespace renamer::bench
