#pragma once

#include <string>
#include <vector>

#include "bench/report.h"

namespace renamer::ui {
class MainWindow;
}  // namespace renamer::ui

namespace renamer::bench {

/// Times the capture times of `count` small JPEGs with Exif dates, made under `parent`:
/// read through the engine on their own, the first time (exiv2 at work) and again (from
/// what was kept); in `window`, the longest stall of the event loop while the preview of
/// 前加顺序号 by capture time reads them, and, once read, from a keystroke to that
/// preview drawn. Prints RESULT lines and returns the rows of the targets table; each a
/// median of `repetitions` samples. Nothing for a `count` of 0.
std::vector<TargetRow> MeasurePhotos(ui::MainWindow& window, const std::string& parent, int count,
                                     int repetitions);

}  // namespace renamer::bench
