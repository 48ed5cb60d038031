#include "ui/preview.h"

#include "engine/input_check.h"
#include "engine/text.h"
#include "ui/file_list_model.h"
#include "ui/free_elsewhere.h"

namespace renamer::ui {

QString PreviewSummary(const RunPrediction& prediction, std::u16string_view typeText) {
  if (!prediction.message.empty()) return QString::fromStdU16String(prediction.message);
  std::size_t selected = 0;
  std::size_t renamed = 0;
  std::size_t fails = 0;
  for (const PredictedRename& file : prediction.files) {
    selected += file.outcome != PredictedOutcome::kNotSelected ? 1 : 0;
    renamed += file.outcome == PredictedOutcome::kRenamed ? 1 : 0;
    fails += file.outcome == PredictedOutcome::kFails ? 1 : 0;
  }
  if (prediction.files.empty()) return QStringLiteral("目录中没有文件");
  if (selected == 0) {
    // The type list starts empty, and an empty type selects only files without an
    // extension: say so, or the first run renames nothing without a word.
    const std::u16string_view type = TrimSpaces(typeText);
    if (type.empty()) return QStringLiteral("没有无扩展名的文件，请选择文件类型");
    return QStringLiteral("没有扩展名为“%1”的文件")
        .arg(QString::fromStdU16String(std::u16string(type)));
  }
  QString summary = QStringLiteral("将改名 %1 个文件").arg(renamed);
  if (fails > 0) summary += QStringLiteral("，%1 个不能改名").arg(fails);
  return summary;
}

Preview::Preview(RenameEngine& engine, FileListModel& model, QObject* parent)
    : QObject(parent), engine_(engine), model_(model) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMs);
  connect(&debounce_, &QTimer::timeout, this, &Preview::Start);
  worker_.setMaxThreadCount(1);
}

// The worker may still be predicting; its result is posted to this object, which
// drops it once gone.
Preview::~Preview() { worker_.waitForDone(); }

void Preview::Schedule() {
  ++generation_;
  debounce_.start();
}

void Preview::ListingChanged() {
  ++listing_;
  FreeElsewhere(std::move(timeKeys_));
  Schedule();
}

void Preview::SetPaused(bool paused) {
  paused_ = paused;
  if (paused) {
    debounce_.stop();
    return;
  }
  Schedule();
}

void Preview::Start() {
  if (paused_) return;
  if (busy_) {
    pending_ = true;
    return;
  }
  if (engine_.ChgMode.empty()) {
    ShowWithoutPrediction({});
    return;
  }
  PlanInput plan = engine_.CapturePlan();
  // A run that its own checks would refuse renames nothing: show why instead.
  const std::u16string check = CheckRunInput(plan.code, plan.valueText);
  if (!check.empty()) {
    ShowWithoutPrediction(QString::fromStdU16String(check));
    return;
  }
  busy_ = true;
  FileSystem* fs = &engine_.Files();
  const std::uint64_t generation = generation_;
  const std::uint64_t listing = listing_;
  // The names are copied on the worker: at 100,000 files the copy alone would stall
  // typing. The model never changes a list it has shared.
  worker_.start([this, fs, generation, listing, path = model_.Path(), names = model_.SharedNames(),
                 plan = std::move(plan),
                 timeKeys = keysListing_ == listing_ ? timeKeys_ : nullptr] {
    const PredictionInput input{path, *names, plan, timeKeys};
    RunPrediction prediction = Predict(*fs, input);
    QString summary = PreviewSummary(prediction, input.plan.typeText);
    QMetaObject::invokeMethod(
        this,
        [this, generation, listing, prediction = std::move(prediction),
         summary = std::move(summary)]() mutable {
          Finish(generation, listing, std::move(prediction), summary);
        },
        Qt::QueuedConnection);
  });
}

void Preview::Finish(std::uint64_t generation, std::uint64_t listing, RunPrediction prediction,
                     const QString& summary) {
  busy_ = false;
  if (listing == listing_ && prediction.timeKeys) {
    timeKeys_ = prediction.timeKeys;
    keysListing_ = listing;
  }
  if (generation == generation_ && listing == listing_ && !paused_) {
    // The prediction replaced holds a string or three per file: freed on the worker.
    worker_.start([old = model_.SetPrediction(std::move(prediction.files))] {});
    emit SummaryChanged(summary);
    emit Shown();
  }
  // An edit arrived while predicting and its wait is over: predict for it now.
  if (pending_) {
    pending_ = false;
    if (!debounce_.isActive()) Start();
  }
}

void Preview::ShowWithoutPrediction(const QString& summary) {
  if (summary.isEmpty()) {
    model_.ClearPrediction();
  } else {
    // The second column stays, empty: the run's checks would stop it.
    std::vector<PredictedRename> files;
    files.reserve(model_.Names().size());
    for (const std::u16string& name : model_.Names()) {
      files.push_back({name, {}, PredictedOutcome::kUnchanged, {}});
    }
    model_.SetPrediction(std::move(files));
  }
  emit SummaryChanged(summary);
  emit Shown();
}

}  // namespace renamer::ui
