#include "ui/preview.h"

#include "engine/preview/summary.h"
#include "engine/rules/input_check.h"
#include "engine/rules/text.h"
#include "ui/file_list_model.h"

namespace renamer::ui {
Preview::Preview(RenameEngine& engine, FileListModel& model, QObject* parent)
    : QObject(parent), engine_(engine), model_(model) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMs);
  connect(&debounce_, &QTimer::timeout, this, &Preview::Start);
  // Every listing, whoever read it, may have other times.
  connect(&model_, &FileListModel::NamesChanged, this, &Preview::ListingChanged);
  // Sorted, the list numbers in another order; by another time, 前加顺序号 too.
  connect(&model_, &FileListModel::OrderChanged, this, &Preview::ListingChanged);
  connect(&model_, &FileListModel::TimeOrderingChanged, this, &Preview::Edited);
}

void Preview::Schedule() {
  ++generation_;
  debounce_.start();
}

void Preview::ListingChanged() {
  ++listing_;
  Schedule();
}

void Preview::ShowOutcome(std::shared_ptr<const JobOutcome> outcome) {
  notice_.clear();
  if (outcome != nullptr && outcome->StalePreview()) {
    // What was kept of the files let the preview promise what the run did not find: it
    // is read again, all of it.
    notice_ = QString::fromUtf16(kStalePreview);
    cache_ = std::make_shared<PredictionCache>();
    outcome.reset();
  }
  outcome_ = std::move(outcome);
  outcomeTexts_ = engine_.RequestTexts();
  Schedule();
}

void Preview::Edited() {
  outcome_.reset();
  notice_.clear();
  Schedule();
}

void Preview::PredictNow() {
  ++generation_;
  debounce_.stop();
  Start();
}

std::shared_ptr<const RunPrediction> Preview::ShownFor(const RunRequest& request) const {
  std::shared_ptr<const RunPrediction> shown = model_.ShownPrediction();
  if (!shown || shown != shown_.prediction.lock()) return nullptr;
  const RunRequest& read = shown_.texts;
  const bool sameChoice =
      request.checked ? shown_.checked.lock() == request.checked : shown_.everyChecked;
  const bool same = read.path == request.path && read.SameTexts(request) &&
                    read.maxLen == request.maxLen && shown_.names.lock() == request.names &&
                    sameChoice;
  return same ? shown : nullptr;
}

void Preview::SetValueHint(const QString& hint) {
  if (hint == valueHint_) return;
  valueHint_ = hint;
  Schedule();
}

void Preview::SetPaused(bool paused) {
  paused_ = paused;
  if (paused)
    debounce_.stop();
  else
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
  // The names are shared, not copied: at 100,000 files the copy alone would stall
  // typing. The model never changes a list it has shared.
  request.path = model_.Path();
  request.names = model_.SharedNames();
  request.checked = model_.SharedChoice();
  // The time column comes with the new names.
  if (ruleChosen) request.shownTimes = model_.TimeOrdering();
  worker_.Post(
      this,
      [fs = &engine_.Files(), ruleChosen, outcome = outcome_, request = std::move(request),
       cache = cache_]() mutable {
        const std::u16string& path = request.path;
        Result result;
        if (outcome != nullptr) {
          result.kind = outcome->kind == JobKind::kRun ? SecondColumn::kRunOutcome
                                                       : SecondColumn::kUndoOutcome;
          result.summary = QString::fromStdU16String(OutcomeSummary(*outcome, path));
          // None of the files shown was touched: a plain list under the caption that says
          // where the undo worked.
          if (outcome->path == path) {
            auto rows = std::make_shared<RunPrediction>();
            rows->files = OutcomeRows(*outcome, path, *request.names);
            result.rows = std::move(rows);
          } else {
            result.detail =
                QStringLiteral("目录：%1").arg(QString::fromStdU16String(outcome->path));
          }
        } else {
          auto prediction = std::make_shared<RunPrediction>(cache->Predict(*fs, request));
          result.summary = QString::fromStdU16String(PredictionSummary(*prediction, request));
          // Without a rule the list stays a plain list; only the summary warns.
          if (ruleChosen) result.rows = std::move(prediction);
        }
        result.request = std::move(request);
        return result;
      },
      [this, generation = generation_, listing = listing_](Result result) {
        Finish(generation, listing, std::move(result));
      });
}

void Preview::Finish(std::uint64_t generation, std::uint64_t listing, Result result) {
  busy_ = false;
  if (generation == generation_ && listing == listing_ && !paused_) {
    shown_ = {};
    if (result.rows) {
      if (result.kind == SecondColumn::kPrediction) {
        const RunRequest& read = result.request;
        shown_ = {result.rows, read, read.names, read.checked, read.checked == nullptr};
        shown_.texts.names.reset();
        shown_.texts.checked.reset();
      }
      // What it replaces holds a string or three per file: let go of elsewhere.
      FreeElsewhere(model_.SetPrediction(std::move(result.rows), result.kind));
    } else {
      model_.ClearPrediction();
    }
    // A notice stands in the caption, with the prediction's summary in the tip.
    const bool notice = !notice_.isEmpty() && result.kind == SecondColumn::kPrediction;
    emit SummaryChanged(notice ? notice_ : result.summary, notice ? result.summary : result.detail);
    emit Shown();
  }
  // The request shares names that the list may have let go of since: the last hold on
  // 100,000 of them is let go of elsewhere.
  FreeElsewhere(std::move(result));
  // An edit arrived while predicting and its wait is over: predict for it now.
  if (pending_) {
    pending_ = false;
    if (!debounce_.isActive()) Start();
  }
}

void Preview::ShowWithoutPrediction(const QString& summary) {
  // The second column stays, empty: the run's checks would stop it.
  auto rows = std::make_shared<RunPrediction>();
  rows->files.reserve(model_.Names().size());
  for (const std::u16string& name : model_.Names()) {
    rows->files.push_back({name, {}, PredictedOutcome::kUnchanged, {}});
  }
  shown_ = {};
  FreeElsewhere(model_.SetPrediction(std::move(rows)));
  emit SummaryChanged(summary, {});
  emit Shown();
}

}  // namespace renamer::ui
