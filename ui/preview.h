#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "engine/run/job_outcome.h"
#include "ui/file_list_model.h"
#include "ui/lane.h"

namespace renamer::ui {

/// Keeps the file list's second column on what a run would do now. Edits are
/// debounced, predictions run on a worker thread, and a result that an edit has made
/// stale is dropped, so typing never waits for the disk. Right after a run or an undo
/// the list shows what it did instead, until the user changes what a run reads.
class Preview : public QObject {
  Q_OBJECT

 public:
  Preview(RenameEngine& engine, FileListModel& model, QObject* parent = nullptr);

  /// Something the prediction depends on changed: predict again shortly.
  void Schedule();
  /// While a run works nothing is predicted; afterwards the next run is.
  void SetPaused(bool paused);
  /// Shows what a run or an undo did until the rule, a text or the folder changes. A run
  /// that renamed nothing because the files had changed since the preview brings the
  /// prediction back instead, read afresh, under the caption kStalePreview until the
  /// next edit.
  void ShowOutcome(std::shared_ptr<const JobOutcome> outcome);
  /// The user chose a rule, another folder or other files, or edited a text: back to
  /// predicting, even when the texts stay as they were.
  void Edited();
  /// Predicts at once rather than after the pause for more edits: a job has ended, and
  /// the window waits to show what it did.
  void PredictNow();
  /// The prediction on the screen, when it is one of exactly what `request` reads: its
  /// texts, its listing and its boxes. Null otherwise, as while an edit waits to be
  /// predicted.
  std::shared_ptr<const RunPrediction> ShownFor(const RunRequest& request) const;
  /// While the value field is empty, `hint` stands where the run's check would complain,
  /// so that choosing a rule is not answered with an error; empty once the user typed.
  void SetValueHint(const QString& hint);

  /// Milliseconds from the last edit to the prediction.
  static constexpr int kDebounceMs = 150;
  /// The caption after a run that renamed nothing because the files had changed.
  static constexpr char16_t kStalePreview[] = u"文件在预览后有变化，请核对后再按确定";

 signals:
  /// The summary to show, and a detail for its tooltip; both may be empty.
  void SummaryChanged(const QString& summary, const QString& detail);
  /// A prediction (or its absence) is now on the screen.
  void Shown();

 private:
  /// What one prediction or outcome puts on the screen.
  struct Result {
    /// The second column's rows; null when the list stays a plain list.
    std::shared_ptr<const RunPrediction> rows;
    SecondColumn kind = SecondColumn::kPrediction;
    QString summary;
    QString detail;
    /// What a prediction read.
    RunRequest request;
  };
  /// What the prediction on the screen read, without holding on to it.
  struct ShownBasis {
    std::weak_ptr<const RunPrediction> prediction;
    /// The texts, without the names.
    RunRequest texts;
    std::weak_ptr<const std::vector<std::u16string>> names;
    std::weak_ptr<const std::vector<bool>> checked;
    bool everyChecked = true;
  };

  /// The file list was read again: predict for it.
  void ListingChanged();
  void Start();
  void Finish(std::uint64_t generation, std::uint64_t listing, Result result);
  void ShowWithoutPrediction(const QString& summary);

  RenameEngine& engine_;
  FileListModel& model_;
  QTimer debounce_;
  /// Counts edits, so that a result made stale by a later edit is dropped.
  std::uint64_t generation_ = 0;
  /// Counts listings, so that a prediction of an older one is dropped.
  std::uint64_t listing_ = 0;
  /// Used on the worker only, one prediction at a time.
  std::shared_ptr<PredictionCache> cache_ = std::make_shared<PredictionCache>();
  /// The job whose outcome is shown, and the texts a run read right after it.
  std::shared_ptr<const JobOutcome> outcome_;
  RunRequest outcomeTexts_;
  ShownBasis shown_;
  /// Stands in the caption instead of a prediction's summary until the next edit.
  QString notice_;
  QString valueHint_;
  bool busy_ = false;
  bool pending_ = false;
  bool paused_ = false;
  /// One prediction at a time; a result arriving after the preview is gone is dropped.
  Lane worker_;
};

}  // namespace renamer::ui
