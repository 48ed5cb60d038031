#include "bench/window_runs.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_dir.h"
#include "bench/event_loop_meters.h"
#include "bench/floor_loop.h"
#include "bench/measure.h"
#include "bench/photo_runs.h"
#include "bench/preview_runs.h"
#include "engine/disk/file_names.h"
#include "engine/rules/text.h"
#include "ui/job_control.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/preview.h"

namespace renamer::bench {
namespace {

template <typename Widget>
Widget& Child(ui::MainWindow& window, const char* name) {
  Widget* widget = window.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("the window has no ") + name);
  return *widget;
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

// Chooses "前加顺序号" with width 6 and all types, as a user would.
void ChooseNumbering(ui::MainWindow& window) {
  auto& rules = Child<QComboBox>(window, "Chgtype");
  const int item = rules.findText(QStringLiteral("前加顺序号"));
  Check(item >= 0, "the rule list has no 前加顺序号");
  rules.setCurrentIndex(item);
  window.Chgtype_Click();
  Child<QLineEdit>(window, "Chgstr").setText(QStringLiteral("6"));
  Child<QComboBox>(window, "FileType").setEditText(QStringLiteral("*.*"));
}

// Turns the event loop until the job that a press of "确定" started has ended: the window
// shows what it did, is enabled again and has shown its box, if any.
void WaitForJob(ui::MainWindow& window) {
  const auto* jobs = window.findChild<ui::JobControl*>();
  Check(jobs != nullptr, "the window has no job control");
  while (jobs->Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Opening the directory until its list and type list are built and shown.
double TimeOpen(ui::MainWindow& window, const std::string& path) {
  const Clock::time_point start = Clock::now();
  window.OpenDirectory(DecodeFileName(path));
  QApplication::processEvents();
  return MillisecondsSince(start);
}

// A whole run from the button press until the run has ended and the window has shown
// the result. A message box would mean a failure; it is closed and counted.
// The progress window of a long run is part of what is timed and is left alone.
double TimeRun(ui::MainWindow& window, bool& messageShown, double& cpuMs) {
  const BoxCloser closer;
  // The run works on a thread of its own: the whole process's CPU time is the cost.
  const double cpuStart = ProcessCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  Child<QPushButton>(window, "Command1").click();
  WaitForJob(window);
  QApplication::processEvents();
  cpuMs = ProcessCpuMilliseconds() - cpuStart;
  messageShown = closer.Shown();
  return MillisecondsSince(start);
}

WindowRow MeasureOpen(ui::MainWindow& window, const FileSet& set, const std::string& empty,
                      int repetitions) {
  WindowRow row{"open", "", set.size(), {}, {}, {}, {}};
  const BenchDirectory dir(set);
  for (int rep = 0; rep < repetitions; ++rep) {
    TimeOpen(window, empty);
    row.ms.push_back(TimeOpen(window, dir.path()));
    Check(window.FileListCount() == static_cast<int>(set.size()),
          "the window listed too few files");
  }
  return row;
}

double MeasureWindowRun(ui::MainWindow& window, const FileSet& set, double& cpuMs) {
  const BenchDirectory dir(set);
  TimeOpen(window, dir.path());
  ChooseNumbering(window);
  bool messageShown = false;
  const double ms = TimeRun(window, messageShown, cpuMs);
  Check(!messageShown, "the window run reported failures");
  Check(dir.CountWithPrefix("img_") == 0, "the window run left old names behind");
  Check(window.StringFieldText() == DecimalText(static_cast<long long>(set.size())),
        "the string field does not hold the last running number");
  return ms;
}

FloorResult MeasureFloorRun(const FileSet& set) {
  const BenchDirectory dir(set);
  const FloorResult result = RunFloor(dir.path(), true, "");
  Check(result.renamed == set.size(), "the floor loop missed files");
  return result;
}

WindowRow MeasureRuns(ui::MainWindow& window, const FileSet& set, int repetitions) {
  WindowRow row{"run", "ADDPRENO", set.size(), {}, {}, {}, {}};
  for (int rep = 0; rep < repetitions; ++rep) {
    double windowMs = 0;
    double windowCpuMs = 0;
    if (rep % 2 == 1) windowMs = MeasureWindowRun(window, set, windowCpuMs);
    const FloorResult floor = MeasureFloorRun(set);
    if (rep % 2 == 0) windowMs = MeasureWindowRun(window, set, windowCpuMs);
    row.ms.push_back(windowMs);
    row.floorMs.push_back(floor.ms);
    row.ratios.push_back(windowMs / floor.ms);
    row.cpuRatios.push_back(windowCpuMs / floor.cpuMs);
  }
  return row;
}

// The longest the event loop went without turning during a whole run, from the button
// press until the preview shows the new names: a timer that should fire every 2 ms
// measures the gaps.
double MeasureRunStall(ui::MainWindow& window, const FileSet& set) {
  const BenchDirectory dir(set);
  TimeOpen(window, dir.path());
  ChooseNumbering(window);
  auto* preview = window.findChild<ui::Preview*>();
  Check(preview != nullptr, "the window has no preview");
  Check(WaitForPreview(*preview), "the preview never showed before the run");

  const BoxCloser closer;
  StallMeter stalls(2);
  Child<QPushButton>(window, "Command1").click();
  WaitForJob(window);
  const bool shown = WaitForPreview(*preview);
  const double longest = stalls.Stop();
  Check(shown, "the preview never showed after the run");
  Check(!closer.Shown(), "the window run reported failures");
  Check(dir.CountWithPrefix("img_") == 0, "the window run left old names behind");
  return longest;
}

double MeasureRunStalls(ui::MainWindow& window, const FileSet& set, int repetitions) {
  std::vector<double> stalls;
  for (int rep = 0; rep < repetitions; ++rep) stalls.push_back(MeasureRunStall(window, set));
  const Summary summary = Summarize(stalls);
  std::printf("RESULT window=run_stall files=%zu stall_ms=%.1f max_ms=%.1f\n", set.size(),
              summary.median, summary.max);
  std::fflush(stdout);
  return summary.median;
}

// The longest the event loop went without turning from another program adding a file
// to the open folder until the list shows it: the watcher's wait, the folder read again
// and the lists rebuilt.
double MeasureRereadStalls(ui::MainWindow& window, const FileSet& set, int repetitions) {
  const BenchDirectory dir(set);
  TimeOpen(window, dir.path());
  std::vector<double> stalls;
  for (int rep = 0; rep < repetitions; ++rep) {
    const int listed = window.FileListCount();
    StallMeter stalls2ms(2);
    dir.AddFile("zz_added_" + std::to_string(rep));
    QElapsedTimer waited;
    waited.start();
    while (window.FileListCount() != listed + 1 && waited.elapsed() < 10000)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Drawn as well: the events queued by the new listing are part of showing it.
    QApplication::processEvents();
    stalls.push_back(stalls2ms.Stop());
    Check(window.FileListCount() == listed + 1, "the window never listed the added file");
  }
  const Summary summary = Summarize(stalls);
  std::printf("RESULT window=reread_stall files=%zu stall_ms=%.1f max_ms=%.1f\n", set.size(),
              summary.median, summary.max);
  std::fflush(stdout);
  TimeOpen(window, set.parent());
  return summary.median;
}

}  // namespace

WindowMeasurements MeasureWindow(int argc, char** argv, const FileSet& set, int photoFiles,
                                 int repetitions) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  auto* window = new ui::MainWindow;  // deletes itself when closed
  window->show();
  QApplication::processEvents();

  WindowMeasurements result;
  const FileSet empty(set.parent(), {});
  std::fprintf(stderr, "window: opening %zu files\n", set.size());
  result.rows.push_back(MeasureOpen(*window, set, empty.path(), repetitions));
  std::fprintf(stderr, "window: runs on %zu files\n", set.size());
  result.rows.push_back(MeasureRuns(*window, set, repetitions));
  std::fprintf(stderr, "window: event loop during runs on %zu files\n", set.size());
  const double runStall = MeasureRunStalls(*window, set, repetitions);
  std::fprintf(stderr, "window: event loop while %zu files are read again\n", set.size());
  const double rereadStall = MeasureRereadStalls(*window, set, repetitions);
  std::fprintf(stderr, "window: preview on %zu files\n", set.size());
  const std::vector<TargetRow> preview = MeasurePreview(*window, set, repetitions);
  std::fprintf(stderr, "window: %d photos numbered by capture time\n", photoFiles);
  const std::vector<TargetRow> photos =
      MeasurePhotos(*window, set.parent(), photoFiles, repetitions);

  const std::string files = " at " + std::to_string(set.size()) + " files";
  result.targets.push_back({"window_run", "whole window run / floor, 前加顺序号" + files,
                            Summarize(result.rows[1].ratios).median, 1.15, "ratio"});
  result.targets.insert(result.targets.end(), preview.begin(), preview.end());
  result.targets.push_back(
      {"run_stall", "longest stall during and after a run" + files, runStall, 50, "ms"});
  result.targets.push_back({"open", "open the folder in the window" + files,
                            Summarize(result.rows[0].ms).median, 200, "ms"});
  result.targets.push_back({"reread_stall",
                            "longest stall while another program's change is read again" + files,
                            rereadStall, 50, "ms"});
  result.targets.insert(result.targets.end(), photos.begin(), photos.end());
  // Leave the directories about to be removed before the window goes.
  window->OpenDirectory(DecodeFileName(set.parent()));
  window->close();
  QApplication::processEvents();
  return result;
}

}  // namespace renamer::bench
