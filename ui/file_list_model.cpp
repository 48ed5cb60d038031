#include "ui/file_list_model.h"

#include <QString>

namespace renamer::ui {

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

void FileListModel::SetNames(std::u16string path, std::vector<std::u16string> names) {
  beginResetModel();
  path_ = std::move(path);
  names_ = std::move(names);
  endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(names_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return QString::fromStdU16String(names_[static_cast<std::size_t>(index.row())]);
}

}  // namespace renamer::ui
