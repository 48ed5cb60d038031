#pragma once

#include <cstddef>
#include <vector>

#include "bench/bench_dir.h"
#include "bench/report.h"

namespace renamer::ui {
class MainWindow;
class Preview;
}  // namespace renamer::ui

namespace renamer::bench {

/// Times the live preview on a fresh directory of the files of `set`, in `window`
/// (shown, offscreen), and prints its RESULT lines: from the last keystroke to the new
/// names shown, for "ADDPRE" and for "ADDPRENO" (first time and after), the longest
/// stall of the event loop while a value is typed and while boxes are checked, and
/// PredictRun alone; each the
/// median of `repetitions` samples, returned as rows of the targets table too.
std::vector<TargetRow> MeasurePreview(ui::MainWindow& window, const FileSet& set, int repetitions);

/// Runs the event loop until the preview shows a prediction; false after 10 s.
bool WaitForPreview(ui::Preview& preview);

}  // namespace renamer::bench
