#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/report.h"

namespace renamer::bench {

/// The window's measurements, or why there are none.
struct WindowMeasurements {
  std::vector<WindowRow> rows;
  std::string note;
};

/// Times the main window, offscreen, on a directory of `files` files under `parent`:
/// opening the directory, and a whole "ADDPRENO" run from the button press, each
/// against a floor run.
WindowMeasurements MeasureWindow(int argc, char** argv, const std::string& parent,
                                 std::size_t files, int repetitions);

}  // namespace renamer::bench
