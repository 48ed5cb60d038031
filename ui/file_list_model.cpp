#include "ui/file_list_model.h"

#include <QBrush>
#include <QColor>
#include <QString>

#include <utility>

#include "engine/preview/summary.h"
#include "ui/lane.h"

namespace renamer::ui {
namespace {

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

// A file that a run leaves alone.
QBrush Grey() { return QBrush(QColor(0x80, 0x80, 0x80)); }

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::SetNames(std::u16string path, FolderFiles files) {
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
    beginInsertColumns({}, 1, 1);
    showPrediction_ = true;
    prediction_.swap(shown);
    endInsertColumns();
    return shown;
  }
  prediction_.swap(shown);
  if (newKind) emit headerDataChanged(Qt::Horizontal, 0, 1);
  // Only the visible rows are asked again; the view draws nothing else.
  RedrawAll();
  return shown;
}

void FileListModel::ClearPrediction() {
  if (!showPrediction_) return;
  beginRemoveColumns({}, 1, 1);
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
  return parent.isValid() ? 0 : showPrediction_ ? 2 : 1;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto row = static_cast<std::size_t>(index.row());
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
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  // By SecondColumn: the headings of the first column and of the second.
  static constexpr const char16_t* kHeadings[][2] = {
      {u"文件名", u"新文件名"}, {u"改名前", u"改名后"}, {u"撤销前", u"撤销后"}};
  return QString::fromUtf16(kHeadings[static_cast<int>(kind_)][section == 0 ? 0 : 1]);
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
