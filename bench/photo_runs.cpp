#include "bench/photo_runs.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <cstdio>
#include <stdexcept>

#include "bench/event_loop_meters.h"
#include "bench/measure.h"
#include "bench/preview_runs.h"
#include "engine/disk/file_names.h"
#include "engine/photo/capture_time.h"
#include "tests/support/photo_files.h"
#include "tests/support/temp_dir.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::bench {
namespace {

constexpr std::int64_t kFirstShot = 1714521600;  // 2024-05-01 00:00:00 UTC

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

// Every capture time of `names` in `dir`, read through the engine.
double TimeReads(const std::string& dir, const std::vector<std::string>& names) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Check(fd >= 0, "cannot open the photos' folder");
  const Clock::time_point start = Clock::now();
  std::size_t found = 0;
  for (const std::string& name : names) found += ReadCaptureTimeAt(fd, name).Found() ? 1 : 0;
  const double ms = MillisecondsSince(start);
  ::close(fd);
  Check(found == names.size(), "a photo's capture time was not found");
  return ms;
}

void Print(const char* row, std::size_t files, const std::vector<double>& samples) {
  const Summary summary = Summarize(samples);
  std::printf("RESULT photos=%s files=%zu ms=%.1f max_ms=%.1f\n", row, files, summary.median,
              summary.max);
  std::fflush(stdout);
}

}  // namespace

std::vector<TargetRow> MeasurePhotos(ui::MainWindow& window, const std::string& parent, int count,
                                     int repetitions) {
  if (count <= 0) return {};
  const testing::TempDir dir(parent, "renamer-bench-photos");
  const std::vector<std::string> names = testing::WriteJpegSeries(dir.path(), count, kFirstShot);
  const auto files = static_cast<std::size_t>(count);

  std::vector<double> cold;
  std::vector<double> warm;
  for (int rep = 0; rep < repetitions; ++rep) {
    ForgetCaptureTimes();
    cold.push_back(TimeReads(dir.path(), names));
    warm.push_back(TimeReads(dir.path(), names));
  }
  Print("read_cold", files, cold);
  Print("read_warm", files, warm);

  auto* preview = window.findChild<ui::Preview*>();
  auto* model = window.findChild<ui::FileListModel*>();
  auto* rules = window.findChild<QComboBox*>(QStringLiteral("Chgtype"));
  auto* value = window.findChild<QLineEdit*>(QStringLiteral("Chgstr"));
  Check(preview && model && rules && value, "the window lacks a part the photo rows use");
  std::vector<double> stalls;
  std::vector<double> keystrokes;
  for (int rep = 0; rep < repetitions; ++rep) {
    window.OpenDirectory(DecodeFileName(parent));
    QApplication::processEvents();
    ForgetCaptureTimes();
    window.OpenDirectory(DecodeFileName(dir.path()));
    QApplication::processEvents();
    rules->setCurrentIndex(rules->findText(QStringLiteral("前加顺序号")));
    window.Chgtype_Click();
    window.findChild<QComboBox*>(QStringLiteral("FileType"))->setEditText(QStringLiteral("*.*"));
    model->SetTimeOrdering(Ordering::kTaken);
    {
      StallMeter meter(2);
      value->setText(QStringLiteral("5"));
      Check(WaitForPreview(*preview), "the preview by capture time never showed");
      stalls.push_back(meter.Stop());
    }
    Check(model->columnCount() == 3 && model->index(0, 1).data().toString() == "00001IMG_00001.jpg",
          "the preview does not number the photos by capture time");
    // Read now: a keystroke costs the new names alone.
    QTest::qWait(50);
    const Clock::time_point start = Clock::now();
    QTest::keyClick(value, '1');
    Check(WaitForPreview(*preview), "the preview never showed after a keystroke");
    window.repaint();
    keystrokes.push_back(MillisecondsSince(start));
    model->SetTimeOrdering(Ordering::kModified);
  }
  Print("window_stall", files, stalls);
  Print("keystroke", files, keystrokes);
  window.OpenDirectory(DecodeFileName(parent));
  QApplication::processEvents();

  const std::string at = " at " + std::to_string(count) + " photos";
  return {{"photos_stall", "longest stall while capture times are read" + at,
           Summarize(stalls).median, 50, "ms"},
          {"photos_keystroke",
           "前加顺序号 by capture time, keystroke to preview (debounce included)" + at,
           Summarize(keystrokes).median, 200, "ms"}};
}

}  // namespace renamer::bench
