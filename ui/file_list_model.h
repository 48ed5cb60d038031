#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

#include "engine/prediction.h"

namespace renamer::ui {

/// What the second column of the file list shows.
enum class SecondColumn {
  kPrediction,   ///< what the next run would do to each file
  kRunOutcome,   ///< what the run just done did: the names before it and after it
  kUndoOutcome,  ///< what the undo just done did
};

/// The names of the file list, one per row, exactly as the engine listed them; with a
/// prediction, a second column shows each file's new name. After a run or an undo the
/// two columns show each file's name before and after it instead.
class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileListModel(QObject* parent = nullptr);

  /// Replaces the directory and its names in one reset; the prediction goes with them.
  /// `places`: where each name stands in the directory's own order, if known.
  void SetNames(std::u16string path, std::vector<std::u16string> names,
                std::vector<std::uint32_t> places = {});

  /// Shows `files` (one per row, for the names shown now) as the second column, and
  /// hands back the prediction it replaces, so that the caller can free it elsewhere.
  /// For an outcome, the first column shows each row's `oldName`, the name before.
  std::vector<PredictedRename> SetPrediction(std::vector<PredictedRename> files,
                                             SecondColumn kind = SecondColumn::kPrediction);
  /// Back to one column.
  void ClearPrediction();
  bool HasPrediction() const { return showPrediction_; }
  SecondColumn Kind() const { return kind_; }

  const std::u16string& Path() const { return path_; }
  const std::vector<std::u16string>& Names() const { return *names_; }
  /// The names, shared and never changed, so that another thread can read them while
  /// the list moves on to a new listing.
  std::shared_ptr<const std::vector<std::u16string>> SharedNames() const { return names_; }
  /// Where each name stands in the directory's own order; null when not known.
  std::shared_ptr<const std::vector<std::uint32_t>> SharedPlaces() const { return places_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 signals:
  /// SetNames() replaced the listing.
  void NamesChanged();

 private:
  QVariant Foreground(std::size_t row) const;
  QVariant ToolTip(std::size_t row, int column) const;
  QVariant OutcomeToolTip(const PredictedRename& file) const;

  std::u16string path_;
  std::shared_ptr<const std::vector<std::u16string>> names_ =
      std::make_shared<const std::vector<std::u16string>>();
  std::shared_ptr<const std::vector<std::uint32_t>> places_;
  bool showPrediction_ = false;
  SecondColumn kind_ = SecondColumn::kPrediction;
  std::vector<PredictedRename> prediction_;
};

}  // namespace renamer::ui
