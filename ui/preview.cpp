#include "ui/preview.h"

#include "engine/input_check.h"
#include "engine/text.h"
#include "ui/file_list_model.h"
#include "ui/free_elsewhere.h"

namespace renamer::ui {

QString PreviewSummary(const RunPrediction& prediction, const RunRequest& plan) {
  if (!prediction.message.empty()) return QString::fromStdU16String(prediction.message);
  const std::size_t selected = prediction.selected;
  const std::size_t renamed = prediction.renamed;
  const std::size_t fails = prediction.fails;
  if (prediction.files.empty()) return QStringLiteral("目录中没有文件");
  // The type list starts empty, and an empty type selects only files without an
  // extension: say so, or the first run renames far fewer files than expected. The
  // caption has room for about 25 characters; the most telling part comes first.
  const std::u16string_view type = TrimSpaces(plan.typeText);
  const std::size_t unchecked = prediction.unchecked;
  if (selected == 0 && unchecked > 0) {
    return QStringLiteral("没有选中的文件可改名，%1 个未选中").arg(unchecked);
  }
  if (selected == 0) {
    if (type.empty()) return QStringLiteral("文件类型为空：目录中没有无扩展名的文件");
    return QStringLiteral("没有扩展名为“%1”的文件")
        .arg(QString::fromStdU16String(std::u16string(type)));
  }
  // 确定 holds the focus at start, and without a rule every file it takes is reported.
  if (plan.code.empty()) {
    return QStringLiteral("未选择修改方式：确定将报告 %1 个文件名为空").arg(selected);
  }
  QString summary = type.empty() ? QStringLiteral("文件类型为空，只改无扩展名的 %1 个文件")
                                 : QStringLiteral("将改名 %1 个文件");
  summary = summary.arg(renamed);
  if (fails > 0) summary += QStringLiteral("，%1 个不能改名").arg(fails);
  if (unchecked > 0) summary += QStringLiteral("，%1 个未选中").arg(unchecked);
  return summary;
}

QString OutcomeSummary(const JobOutcome& outcome, std::u16string_view shownPath) {
  QString summary;
  if (outcome.kind == JobKind::kRun) {
    summary = QStringLiteral("已改名 %1 个文件").arg(outcome.done);
    if (outcome.failed > 0) summary += QStringLiteral("，%1 个未改名").arg(outcome.failed);
  } else {
    if (outcome.path == shownPath) {
      summary = QStringLiteral("已撤销：");
    } else {
      const std::size_t slash = outcome.path.find_last_of(u'/');
      const std::u16string name = slash == std::u16string::npos || slash + 1 == outcome.path.size()
                                      ? outcome.path
                                      : outcome.path.substr(slash + 1);
      summary = QStringLiteral("已撤销“%1”中的改名：").arg(QString::fromStdU16String(name));
    }
    summary += QStringLiteral("%1 个文件已恢复原名").arg(outcome.done);
    if (outcome.failed > 0) summary += QStringLiteral("，%1 个未能恢复").arg(outcome.failed);
  }
  if (outcome.left > 0) summary += QStringLiteral("，%1 个因取消未处理").arg(outcome.left);
  return summary;
}

Preview::Preview(RenameEngine& engine, FileListModel& model, QObject* parent)
    : QObject(parent), engine_(engine), model_(model) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMs);
  connect(&debounce_, &QTimer::timeout, this, &Preview::Start);
  // Every listing, whoever read it, may have other times.
  connect(&model_, &FileListModel::NamesChanged, this, &Preview::ListingChanged);
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
  Schedule();
}

void Preview::ShowOutcome(std::shared_ptr<const JobOutcome> outcome) {
  outcome_ = std::move(outcome);
  outcomeTexts_ = engine_.RequestTexts();
  Schedule();
}

void Preview::Edited() {
  outcome_.reset();
  Schedule();
}

void Preview::SetValueHint(const QString& hint) {
  if (hint == valueHint_) return;
  valueHint_ = hint;
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
  RunRequest request = engine_.RequestTexts();
  if (outcome_ != nullptr && !request.SameTexts(outcomeTexts_)) outcome_.reset();
  const bool ruleChosen = !request.code.empty();
  if (outcome_ == nullptr && ruleChosen) {
    // A run that its own checks would refuse renames nothing: show why instead.
    const std::u16string check = CheckRunInput(request.code, request.valueText);
    if (!check.empty()) {
      const bool hint = request.valueText.empty() && !valueHint_.isEmpty();
      ShowWithoutPrediction(hint ? valueHint_ : QString::fromStdU16String(check));
      return;
    }
  }
  busy_ = true;
  FileSystem* fs = &engine_.Files();
  const std::uint64_t generation = generation_;
  const std::uint64_t listing = listing_;
  // The names are shared, not copied: at 100,000 files the copy alone would stall
  // typing. The model never changes a list it has shared.
  request.path = model_.Path();
  request.names = model_.SharedNames();
  request.checked = model_.SharedChoice();
  worker_.start([this, fs, generation, listing, ruleChosen, outcome = outcome_,
                 request = std::move(request), cache = cache_] {
    const std::u16string& path = request.path;
    Result result;
    if (outcome != nullptr) {
      result.kind =
          outcome->kind == JobKind::kRun ? SecondColumn::kRunOutcome : SecondColumn::kUndoOutcome;
      result.summary = OutcomeSummary(*outcome, path);
      // None of the files shown was touched: a plain list under the caption that says
      // where the undo worked.
      result.column = outcome->path == path;
      if (result.column) {
        result.files = OutcomeRows(*outcome, path, *request.names);
      } else {
        result.detail = QStringLiteral("目录：%1").arg(QString::fromStdU16String(outcome->path));
      }
    } else {
      RunPrediction prediction = cache->Predict(*fs, request);
      result.summary = PreviewSummary(prediction, request);
      // Without a rule the list stays a plain list; only the summary warns.
      result.column = ruleChosen;
      if (ruleChosen) result.files = std::move(prediction.files);
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, listing, result = std::move(result)]() mutable {
          Finish(generation, listing, std::move(result));
        },
        Qt::QueuedConnection);
  });
}

void Preview::Finish(std::uint64_t generation, std::uint64_t listing, Result result) {
  busy_ = false;
  if (generation == generation_ && listing == listing_ && !paused_) {
    if (result.column) {
      // The prediction replaced holds a string or three per file: freed on the worker.
      worker_.start([old = model_.SetPrediction(std::move(result.files), result.kind)] {});
    } else {
      model_.ClearPrediction();
    }
    emit SummaryChanged(result.summary, result.detail);
    emit Shown();
  }
  // An edit arrived while predicting and its wait is over: predict for it now.
  if (pending_) {
    pending_ = false;
    if (!debounce_.isActive()) Start();
  }
}

void Preview::ShowWithoutPrediction(const QString& summary) {
  // The second column stays, empty: the run's checks would stop it.
  std::vector<PredictedRename> files;
  files.reserve(model_.Names().size());
  for (const std::u16string& name : model_.Names()) {
    files.push_back({name, {}, PredictedOutcome::kUnchanged, {}});
  }
  FreeElsewhere(model_.SetPrediction(std::move(files)));
  emit SummaryChanged(summary, {});
  emit Shown();
}

}  // namespace renamer::ui
