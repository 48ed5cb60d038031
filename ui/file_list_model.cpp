#include "ui/file_list_model.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QString>

#include <utility>

#include "engine/photo/capture_time.h"
#include "engine/preview/summary.h"
#include "engine/rules/time_key.h"
#include "ui/lane.h"

namespace renamer::ui {
namespace {

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

// A file that a run leaves alone.
QBrush Grey() { return QBrush(QColor(0x80, 0x80, 0x80)); }

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::SetNames(std::u16string path, FolderFiles files) {
  if (path != path_ || sortColumn_ == ListColumn::kNewName) {
    // Another folder opens in name order. So does a new listing of a list sorted by the
    // new names, which follow the order the list is in.
    sortColumn_.reset();
    sortDirection_ = Qt::AscendingOrder;
  } else if (sortColumn_ == ListColumn::kName) {
    // The new listing keeps the user's order; by another column it is put back when its
    // values come.
    const std::vector<std::uint32_t> order =
        SortedRows(files.names, nullptr, ListColumn::kName, sortDirection_);
    ApplyOrder(order, files.names);
    if (files.places.size() == order.size()) ApplyOrder(order, files.places);
    if (files.where.inodes.size() == order.size()) ApplyOrder(order, files.where.inodes);
  }
  auto oldNames = std::make_shared<const std::vector<std::u16string>>(std::move(files.names));
  beginResetModel();
  const bool sameFolder = path == path_;
  path_ = std::move(path);
  names_.swap(oldNames);
  if (sameFolder) {
    choice_.Relist(names_, std::move(files.where));
  } else {
    choice_.Reset(names_, std::move(files.where));
    keepBoxes_ = false;
  }
  places_ = files.places.size() == names_->size()
                ? std::make_shared<const std::vector<std::uint32_t>>(std::move(files.places))
                : nullptr;
  std::shared_ptr<const RunPrediction> prediction = std::exchange(prediction_, nullptr);
  endResetModel();
  // A prediction on the worker may still share the old names; the last holder frees them.
  FreeElsewhere(std::move(oldNames));
  FreeElsewhere(std::move(prediction));
  emit NamesChanged();
}

std::shared_ptr<const RunPrediction> FileListModel::SetPrediction(
    std::shared_ptr<const RunPrediction> shown, SecondColumn kind) {
  if (!shown || shown->files.size() != names_->size()) return shown;
  const bool newKind = kind != kind_;
  kind_ = kind;
  if (!showPrediction_) {
    beginInsertColumns({}, 1, 2);
    showPrediction_ = true;
    prediction_.swap(shown);
    endInsertColumns();
    return shown;
  }
  prediction_.swap(shown);
  if (newKind) emit headerDataChanged(Qt::Horizontal, 0, 2);
  // Only the visible rows are asked again; the view draws nothing else.
  RedrawAll();
  // Times come with a prediction: a list sorted by them follows a new listing now.
  if (sortColumn_ == ListColumn::kTime &&
      !IsSorted(*names_, prediction_.get(), ListColumn::kTime, sortDirection_)) {
    SortBy(ListColumn::kTime, sortDirection_);
  }
  return shown;
}

void FileListModel::SetTimeOrdering(Ordering ordering) {
  if (ordering == timeOrdering_) return;
  timeOrdering_ = ordering;
  if (showPrediction_) emit headerDataChanged(Qt::Horizontal, 2, 2);
  emit TimeOrderingChanged();
}

void FileListModel::SortBy(ListColumn column, Qt::SortOrder direction) {
  const std::vector<std::uint32_t> order =
      SortedRows(*names_, prediction_.get(), column, direction);
  if (order.empty()) return;
  sortColumn_ = column;
  sortDirection_ = direction;
  Reorder(order);
}

void FileListModel::Reorder(const std::vector<std::uint32_t>& order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<std::uint32_t> placeOf(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) placeOf[order[k]] = static_cast<std::uint32_t>(k);

  std::vector<std::u16string> names = *names_;
  ApplyOrder(order, names);
  auto oldNames =
      std::exchange(names_, std::make_shared<const std::vector<std::u16string>>(std::move(names)));
  if (places_) {
    std::vector<std::uint32_t> places = *places_;
    ApplyOrder(order, places);
    places_ = std::make_shared<const std::vector<std::uint32_t>>(std::move(places));
  }
  choice_.Reorder(names_, order);
  std::shared_ptr<const RunPrediction> oldRows;
  if (prediction_) {
    oldRows = std::exchange(
        prediction_, std::make_shared<const RunPrediction>(ReorderedRows(*prediction_, order)));
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after.push_back(index.isValid()
                        ? this->index(static_cast<int>(placeOf[index.row()]), index.column())
                        : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  FreeElsewhere(std::move(oldNames));
  FreeElsewhere(std::move(oldRows));
  emit OrderChanged();
}

void FileListModel::ClearPrediction() {
  if (!showPrediction_) return;
  beginRemoveColumns({}, 1, 2);
  showPrediction_ = false;
  kind_ = SecondColumn::kPrediction;
  FreeElsewhere(std::exchange(prediction_, nullptr));
  endRemoveColumns();
}

void FileListModel::SetCheckable(bool checkable) {
  if (checkable == checkable_) return;
  checkable_ = checkable;
  RedrawAll();
}

void FileListModel::RedrawAll() {
  // The view redraws what it shows of a change of many rows, so one signal serves.
  if (!names_->empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool FileListModel::LeftOut(std::size_t row) const {
  return Checkable() && kind_ == SecondColumn::kPrediction && !choice_.Checked(row);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (Checkable() && index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !Checkable() || !index.isValid() || index.column() != 0)
    return false;
  SetChecked({index.row()}, value.toInt() == Qt::Checked);
  return true;
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_->size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : showPrediction_ ? 3 : 1;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (index.column() == static_cast<int>(ListColumn::kTime)) return TimeData(row, role);
  const PredictedRename* shown = Shown(row);
  switch (role) {
    case Qt::DisplayRole:
      if (index.column() == 0) {
        const bool before = kind_ != SecondColumn::kPrediction && shown && showPrediction_;
        return ToQString(before ? shown->oldName : (*names_)[row]);
      }
      return shown && !LeftOut(row) ? ToQString(shown->newName) : QString();
    case Qt::CheckStateRole:
      if (!Checkable() || index.column() != 0) return {};
      return choice_.Checked(row) ? Qt::Checked : Qt::Unchecked;
    case Qt::ForegroundRole:
      return Foreground(row);
    case Qt::ToolTipRole:
      return ToolTip(row, index.column());
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (section == static_cast<int>(ListColumn::kTime)) {
    if (role == Qt::ToolTipRole) {
      return QStringLiteral(
          "前加顺序号按这一列的时间编号。右键单击选用修改时间或拍摄时间；"
          "单击按时间排序");
    }
    if (role != Qt::DisplayRole) return {};
    return timeOrdering_ == Ordering::kTaken ? QStringLiteral("拍摄时间")
                                             : QStringLiteral("修改时间");
  }
  if (role != Qt::DisplayRole) return {};
  // By SecondColumn: the headings of the first column and of the second.
  static constexpr const char16_t* kHeadings[][2] = {
      {u"文件名", u"新文件名"}, {u"改名前", u"改名后"}, {u"撤销前", u"撤销后"}};
  return QString::fromUtf16(kHeadings[static_cast<int>(kind_)][section == 0 ? 0 : 1]);
}

QVariant FileListModel::TimeData(std::size_t row, int role) const {
  if (!prediction_ || !prediction_->times || row >= prediction_->times->size()) return {};
  const CaptureTime& time = (*prediction_->times)[row];
  switch (role) {
    case Qt::DisplayRole:
      return QDateTime::fromSecsSinceEpoch(time.seconds)
          .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Qt::ForegroundRole:
      // A modification time standing in for a capture time.
      return time.Found() ? QVariant() : QVariant(Grey());
    case Qt::ToolTipRole:
      if (time.Found()) return {};
      return QStringLiteral("无拍摄时间，用修改时间\n") + ToQString(CaptureMissText(time));
    default:
      return {};
  }
}

QVariant FileListModel::Foreground(std::size_t row) const {
  if (LeftOut(row)) return Grey();
  const PredictedRename* shown = Shown(row);
  if (!showPrediction_ || shown == nullptr) return {};
  switch (shown->outcome) {
    case PredictedOutcome::kNotSelected:
    case PredictedOutcome::kUnchanged:
      return Grey();
    case PredictedOutcome::kFails:
      return QBrush(QColor(0xC0, 0x00, 0x00));
    case PredictedOutcome::kRenamed:
      break;
  }
  return {};
}

QString FileListModel::Why(std::size_t row) const {
  const PredictedRename* file = Shown(row);
  if (!showPrediction_ || file == nullptr || file->outcome != PredictedOutcome::kFails ||
      LeftOut(row)) {
    return {};
  }
  // In the order of SecondColumn.
  const std::u16string_view prefix = kFailurePrefixes[static_cast<std::size_t>(kind_)];
  return QString::fromUtf16(prefix.data(), static_cast<qsizetype>(prefix.size())) +
         ToQString(file->reason);
}

QVariant FileListModel::ToolTip(std::size_t row, int column) const {
  const QString why = Why(row);
  if (column == 0 || Shown(row) == nullptr) {
    // Why a file fails is told over its name too, where the eye is.
    const QString name = data(index(static_cast<int>(row), 0)).toString();
    return why.isEmpty() ? name : name + QLatin1Char('\n') + why;
  }
  const PredictedRename& file = *Shown(row);
  if (kind_ != SecondColumn::kPrediction) return OutcomeToolTip(file, why);
  if (LeftOut(row)) return QStringLiteral("未选中，不改名");
  switch (file.outcome) {
    case PredictedOutcome::kNotSelected:
      return QStringLiteral("文件类型不符，不改名");
    case PredictedOutcome::kUnchanged:
      return QStringLiteral("新文件名与原文件名相同，不改名");
    case PredictedOutcome::kFails:
      if (file.newName.empty()) return ToQString(file.reason);
      return ToQString(file.newName) + QLatin1Char('\n') + why;
    case PredictedOutcome::kRenamed:
      break;
  }
  return ToQString(file.newName);
}

QVariant FileListModel::OutcomeToolTip(const PredictedRename& file, const QString& why) const {
  switch (file.outcome) {
    case PredictedOutcome::kRenamed:
      return ToQString(file.newName);
    case PredictedOutcome::kFails:
      return file.newName.empty() ? why : ToQString(file.newName) + QLatin1Char('\n') + why;
    case PredictedOutcome::kNotSelected:
    case PredictedOutcome::kUnchanged:
      break;
  }
  return kind_ == SecondColumn::kUndoOutcome ? QStringLiteral("这次撤销没有改动这个文件")
                                             : QStringLiteral("这次改名没有改动这个文件");
}

}  // namespace renamer::ui
