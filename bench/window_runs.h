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
  /// The window's rows of the targets table.
  std::vector<TargetRow> targets;
  std::string note;
};

/// Times the main window, offscreen, on fresh directories of the files of `set`:
/// opening the directory, a whole "ADDPRENO" run from the button press, paired with a
/// floor run, the event loop's longest stalls during a run and while another program
/// changes the folder, the live preview, and `photoFiles` photos numbered by capture time.
WindowMeasurements MeasureWindow(int argc, char** argv, const FileSet& set, int photoFiles,
                                 int repetitions);

}  // namespace renamer::bench
