#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::ui {

class FileListModel;

/// The one-line summary of a prediction: how many files a run would rename and how
/// many it could not, or why it would rename none.
QString PreviewSummary(const RunPrediction& prediction, std::u16string_view typeText);

/// Keeps the file list's second column on what a run would do now. Edits are
/// debounced, predictions run on a worker thread, and a result that an edit has made
/// stale is dropped, so typing never waits for the disk.
class Preview : public QObject {
  Q_OBJECT

 public:
  Preview(RenameEngine& engine, FileListModel& model, QObject* parent = nullptr);
  ~Preview() override;

  /// Something the prediction depends on changed: predict again shortly.
  void Schedule();
  /// The file list was read again: its time keys are read again too.
  void ListingChanged();
  /// While a run works nothing is predicted; afterwards the next run is.
  void SetPaused(bool paused);

  /// Milliseconds from the last edit to the prediction.
  static constexpr int kDebounceMs = 150;

 signals:
  /// The summary to show, empty when no rule is chosen.
  void SummaryChanged(const QString& summary);
  /// A prediction (or its absence) is now on the screen.
  void Shown();

 private:
  void Start();
  void Finish(std::uint64_t generation, std::uint64_t listing, RunPrediction prediction,
              const QString& summary);
  void ShowWithoutPrediction(const QString& summary);

  RenameEngine& engine_;
  FileListModel& model_;
  QTimer debounce_;
  QThreadPool worker_;
  /// Counts edits, so that a result made stale by a later edit is dropped.
  std::uint64_t generation_ = 0;
  /// Counts listings; time keys belong to one.
  std::uint64_t listing_ = 0;
  std::uint64_t keysListing_ = 0;
  std::shared_ptr<const std::vector<std::u16string>> timeKeys_;
  bool busy_ = false;
  bool pending_ = false;
  bool paused_ = false;
};

}  // namespace renamer::ui
