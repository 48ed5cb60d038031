#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/preview/prediction.h"
#include "engine/rules/ordering.h"
#include "engine/run/job_outcome.h"
#include "ui/file_choice.h"
#include "ui/folder_reader.h"
#include "ui/list_order.h"

namespace renamer::ui {

/// What the second column of the file list shows.
enum class SecondColumn {
  kPrediction,   ///< what the next run would do to each file
  kRunOutcome,   ///< what the run just done did: the names before it and after it
  kUndoOutcome,  ///< what the undo just done did
};

/// The names of the file list, one per row, exactly as the engine listed them; with a
/// prediction, a second column shows each file's new name and a third the time that
/// orders 前加顺序号. The rows can be sorted by any column; the order lasts while the
/// folder is open, and a run numbers in it. After a run or an undo the
/// two columns show each file's name before and after it instead. Once made checkable,
/// each name has a box that says whether a run takes that file; a file left unchecked
/// is shown as one that a run leaves alone.
class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileListModel(QObject* parent = nullptr);

  /// Replaces the directory and its names in one reset; the prediction goes with them.
  /// The places and inode numbers of `files` are used where known; their types are not.
  /// In the same directory each file keeps its box (see FileChoice), and a new file comes
  /// checked; in another every file is checked.
  void SetNames(std::u16string path, FolderFiles files);

  /// Shows the files of `shown` (one per row, for the names shown now) as the second
  /// column, and hands back what it replaces, so that the caller can let go of it
  /// elsewhere. For an outcome, the first column shows each row's `oldName`, the name
  /// before.
  std::shared_ptr<const RunPrediction> SetPrediction(std::shared_ptr<const RunPrediction> shown,
                                                     SecondColumn kind = SecondColumn::kPrediction);
  /// What the second column shows now.
  SecondColumn Kind() const { return kind_; }
  /// Back to one column.
  void ClearPrediction();
  /// The prediction the second column shows now; null when it shows none or an outcome.
  std::shared_ptr<const RunPrediction> ShownPrediction() const {
    return showPrediction_ && kind_ == SecondColumn::kPrediction ? prediction_ : nullptr;
  }

  /// The time that orders 前加顺序号 and that the time column shows.
  Ordering TimeOrdering() const { return timeOrdering_; }
  void SetTimeOrdering(Ordering ordering);

  /// Sorts the rows by `column`, now and after each new listing of this folder.
  void SortBy(ListColumn column, Qt::SortOrder direction);
  /// The column the rows are sorted by; unset while they are in the folder's order.
  std::optional<ListColumn> SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortDirection() const { return sortDirection_; }

  const std::u16string& Path() const { return path_; }
  const std::vector<std::u16string>& Names() const { return *names_; }
  /// The names, shared and never changed, so that another thread can read them while
  /// the list moves on to a new listing.
  std::shared_ptr<const std::vector<std::u16string>> SharedNames() const { return names_; }
  /// Where each name stands in the directory's own order; null when not known.
  std::shared_ptr<const std::vector<std::uint32_t>> SharedPlaces() const { return places_; }

  /// Shows a box on every name, or none; the choice is kept either way. Once a file of
  /// the folder has been left unchecked, as the command line can ask, the boxes show
  /// anyway, so that the list says which files a run would take.
  void SetCheckable(bool checkable);
  bool Checkable() const { return checkable_ || keepBoxes_; }
  bool IsChecked(int row) const { return choice_.Checked(static_cast<std::size_t>(row)); }
  /// Whether each row is checked, shared and never changed; null while all are.
  std::shared_ptr<const std::vector<bool>> SharedChoice() const { return choice_.Shared(); }
  std::size_t UncheckedCount() const { return choice_.UncheckedCount(); }
  /// Checks or clears the boxes of `rows`.
  void SetChecked(const std::vector<int>& rows, bool checked) {
    ChangeChoice([&] { choice_.Set(rows, checked); });
  }
  /// Checks every file, or clears every box.
  void SetAllChecked(bool checked) {
    ChangeChoice([&] { choice_.SetAll(checked); });
  }
  void InvertChoice() {
    ChangeChoice([&] { choice_.Invert(); });
  }
  /// Checks `rows` and clears every other box.
  void CheckOnly(const std::vector<int>& rows) {
    ChangeChoice([&] { choice_.CheckOnly(rows); });
  }
  /// Checks the files named `chosen` and clears every other box.
  void CheckOnlyNamed(const std::vector<std::u16string>& chosen) {
    ChangeChoice([&] { choice_.CheckOnlyNamed(chosen); });
  }
  /// Before the listing after a job in this folder: the boxes go with the files that
  /// `changes` renamed.
  void FollowRenames(const std::vector<FileChange>& changes) { choice_.FollowRenames(changes); }

  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 signals:
  /// SetNames() replaced the listing.
  void NamesChanged();
  /// The user checked or cleared boxes.
  void ChoiceChanged();
  /// The rows were put in another order.
  void OrderChanged();
  /// SetTimeOrdering() chose another time.
  void TimeOrderingChanged();

 private:
  /// Makes `change` to the choice, then redraws every row and says so.
  template <typename Change>
  void ChangeChoice(Change change) {
    change();
    if (choice_.UncheckedCount() > 0) keepBoxes_ = true;
    RedrawAll();
    emit ChoiceChanged();
  }
  void RedrawAll();
  /// Puts the rows in `order` (from SortedRows), the boxes and what is shown with them.
  void Reorder(const std::vector<std::uint32_t>& order);
  QVariant TimeData(std::size_t row, int role) const;
  /// True when `row` is unchecked while a prediction is shown: no new name, in grey.
  bool LeftOut(std::size_t row) const;
  QVariant Foreground(std::size_t row) const;
  /// The line that says why the file of `row` fails or failed; empty when it does not.
  QString Why(std::size_t row) const;
  QVariant ToolTip(std::size_t row, int column) const;
  QVariant OutcomeToolTip(const PredictedRename& file, const QString& why) const;

  std::u16string path_;
  std::shared_ptr<const std::vector<std::u16string>> names_ =
      std::make_shared<const std::vector<std::u16string>>();
  std::shared_ptr<const std::vector<std::uint32_t>> places_;
  bool showPrediction_ = false;
  SecondColumn kind_ = SecondColumn::kPrediction;
  /// The rows of the second column; null when it has none.
  std::shared_ptr<const RunPrediction> prediction_;
  /// The row `row` of the second column; null when there is none.
  const PredictedRename* Shown(std::size_t row) const {
    return prediction_ && row < prediction_->files.size() ? &prediction_->files[row] : nullptr;
  }
  FileChoice choice_;
  bool checkable_ = false;
  Ordering timeOrdering_ = Ordering::kModified;
  std::optional<ListColumn> sortColumn_;
  Qt::SortOrder sortDirection_ = Qt::AscendingOrder;
  /// A file of this folder has been left unchecked.
  bool keepBoxes_ = false;
};

}  // namespace renamer::ui
