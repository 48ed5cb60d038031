#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

namespace renamer::ui {

/// The names of the file list, one per row, exactly as the engine listed them.
class FileListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit FileListModel(QObject* parent = nullptr);

  /// Replaces the directory and its names in one reset.
  void SetNames(std::u16string path, std::vector<std::u16string> names);

  const std::u16string& Path() const { return path_; }
  const std::vector<std::u16string>& Names() const { return names_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  std::u16string path_;
  std::vector<std::u16string> names_;
};

}  // namespace renamer::ui
