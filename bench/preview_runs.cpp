#include "bench/preview_runs.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/event_loop_meters.h"
#include "bench/measure.h"
#include "engine/disk/file_names.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::bench {
namespace {

template <typename Widget>
Widget& Child(ui::MainWindow& window, const char* name) {
  Widget* widget = window.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("the window has no ") + name);
  return *widget;
}

void PickRule(ui::MainWindow& window, const QString& item) {
  auto& rules = Child<QComboBox>(window, "Chgtype");
  rules.setCurrentIndex(rules.findText(item));
  window.Chgtype_Click();
  Child<QComboBox>(window, "FileType").setEditText(QStringLiteral("*.*"));
}

// From one keystroke into the value field to the prediction drawn.
double TimeKeystroke(ui::MainWindow& window, ui::Preview& preview, char key) {
  auto& value = Child<QLineEdit>(window, "Chgstr");
  const Clock::time_point start = Clock::now();
  QTest::keyClick(&value, key);
  if (!WaitForPreview(preview)) throw std::runtime_error("the preview never showed");
  window.repaint();
  return MillisecondsSince(start);
}

// The longest the event loop went without turning while `keys` are typed one by one,
// 30 ms apart, until the preview has caught up: a timer that should fire every
// millisecond measures the gaps.
double LongestStallWhileTyping(ui::MainWindow& window, ui::Preview& preview, int keys) {
  auto& value = Child<QLineEdit>(window, "Chgstr");
  value.setFocus();
  StallMeter stalls(1);
  for (int i = 0; i < keys; ++i) {
    QTest::keyClick(&value, static_cast<char>('a' + i % 26));
    QTest::qWait(30);
  }
  WaitForPreview(preview);
  return stalls.Stop();
}

// The longest stall while boxes are cleared one by one and then all at once, inverted
// and checked again, each change waited for until the preview has caught up with it.
double LongestStallWhileChoosing(ui::MainWindow& window, ui::Preview& preview) {
  auto* files = window.findChild<ui::FileListModel*>();
  if (files == nullptr) throw std::runtime_error("the window has no file list model");
  const int last = files->rowCount() - 1;
  StallMeter stalls(1);
  for (const int row : {0, last / 2, last}) {
    files->SetChecked({row}, false);
    WaitForPreview(preview);
  }
  files->SetAllChecked(false);
  WaitForPreview(preview);
  files->InvertChoice();
  WaitForPreview(preview);
  files->SetAllChecked(true);
  WaitForPreview(preview);
  return stalls.Stop();
}

double Median(std::vector<double> samples) { return Summarize(samples).median; }

}  // namespace

bool WaitForPreview(ui::Preview& preview) {
  QEventLoop loop;
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&preview, &ui::Preview::Shown, &loop, &QEventLoop::quit);
  QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
  bool shown = false;
  // The loop is the context: the connection must go with `shown`, or every later
  // prediction would write into a stack frame long gone.
  QObject::connect(&preview, &ui::Preview::Shown, &loop, [&shown] { shown = true; });
  giveUp.start(10000);
  loop.exec();
  return shown;
}

std::vector<TargetRow> MeasurePreview(ui::MainWindow& window, const FileSet& set, int repetitions) {
  // A prediction renames nothing, so it works on the set itself, whose files have one
  // name each while no run's folder links to them. A file with another name elsewhere
  // has its status read again by every prediction (its time can change through that
  // name without this folder changing), which would make every keystroke pay for
  // 100,000 status reads: a case to know, but not the common one.
  const std::u16string path = DecodeFileName(set.path());
  const std::u16string parent = DecodeFileName(set.parent());
  window.OpenDirectory(path);
  QApplication::processEvents();
  auto* preview = window.findChild<ui::Preview*>();
  if (preview == nullptr) throw std::runtime_error("the window has no preview");

  PickRule(window, QStringLiteral("增加前缀"));
  WaitForPreview(*preview);
  std::vector<double> addPre;
  for (int rep = 0; rep < repetitions; ++rep)
    addPre.push_back(TimeKeystroke(window, *preview, 'x'));
  std::printf("RESULT window=preview rule=ADDPRE files=%zu ms=%.1f\n", set.size(), Median(addPre));

  std::vector<double> predict;
  for (int rep = 0; rep < repetitions; ++rep) {
    const Clock::time_point start = Clock::now();
    const RunPrediction prediction = window.Engine().PredictRun();
    predict.push_back(MillisecondsSince(start));
    if (prediction.files.size() != set.size()) throw std::runtime_error("prediction too short");
  }
  std::printf("RESULT predict rule=ADDPRE files=%zu ms=%.1f\n", set.size(), Median(predict));

  std::vector<double> typing;
  for (int rep = 0; rep < repetitions; ++rep)
    typing.push_back(LongestStallWhileTyping(window, *preview, 20));
  std::printf("RESULT window=typing files=%zu stall_ms=%.1f\n", set.size(), Median(typing));

  std::vector<double> choosing;
  for (int rep = 0; rep < repetitions; ++rep)
    choosing.push_back(LongestStallWhileChoosing(window, *preview));
  std::printf("RESULT window=choosing files=%zu stall_ms=%.1f\n", set.size(), Median(choosing));

  // The numbering rule reads every time once per listing, then predicts from them: the
  // first keystroke after opening the folder pays for the times.
  std::vector<double> first;
  std::vector<double> after;
  for (int rep = 0; rep < repetitions; ++rep) {
    window.OpenDirectory(parent);
    window.OpenDirectory(path);
    PickRule(window, QStringLiteral("前加顺序号"));
    Child<QLineEdit>(window, "Chgstr").clear();
    QApplication::processEvents();
    WaitForPreview(*preview);
    first.push_back(TimeKeystroke(window, *preview, '6'));
    Child<QLineEdit>(window, "Chgstr").clear();
    WaitForPreview(*preview);
    after.push_back(TimeKeystroke(window, *preview, '6'));
  }
  std::printf("RESULT window=preview rule=ADDPRENO files=%zu first_ms=%.1f ms=%.1f\n", set.size(),
              Median(first), Median(after));
  const QString shots = qEnvironmentVariable("RENAMER_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    window.grab().save(shots + QStringLiteral("/preview_%1_files.png").arg(set.size()));
  }
  std::fflush(stdout);
  window.OpenDirectory(parent);
  QApplication::processEvents();
  const std::string files = " at " + std::to_string(set.size()) + " files";
  return {
      {"preview_addpre", "keystroke to new names drawn, 增加前缀" + files, Median(addPre), 200,
       "ms"},
      {"preview_addpreno_first", "前加顺序号 preview, first" + files, Median(first), 600, "ms"},
      {"preview_addpreno_after", "前加顺序号 preview, after" + files, Median(after), 200, "ms"},
      {"predict", "PredictRun alone, 增加前缀" + files, Median(predict), 50, "ms"},
      {"typing_stall", "longest event-loop stall while typing" + files, Median(typing), 30, "ms"},
      {"choosing_stall", "longest event-loop stall while checking boxes" + files, Median(choosing),
       50, "ms"},
  };
}

}  // namespace renamer::bench
