#pragma once

#include <QTreeWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace renamer::ui {

/// The directory list `Dir1`: the directories from the root down to the open one,
/// then the open directory's subdirectories, indented like a tree. Double-click or
/// Enter opens a directory; a single click only selects it.
class DirectoryList : public QTreeWidget {
  Q_OBJECT

 public:
  /// Lists the subdirectories of a path (names only, in display order).
  using Lister = std::function<std::vector<std::u16string>(std::u16string_view)>;

  DirectoryList(Lister lister, QWidget* parent = nullptr);

  /// The open directory.
  const std::u16string& Path() const { return path_; }

  /// Opens `path`; emits PathChanged when it differs from the open directory.
  void SetPath(const std::u16string& path);

  /// Shows `subdirectories` of the open directory, read again for those another program
  /// made or removed; leaves the list as it is when they did not change.
  void Refresh(std::vector<std::u16string> subdirectories);

 signals:
  /// A new path is about to be opened: its subdirectories are read next.
  void Opening(const std::u16string& path);
  void PathChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  /// Draws no expand arrows: the list is always fully open and opens by double-click.
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  void Rebuild(std::vector<std::u16string> subdirectories);
  void Open(QTreeWidgetItem* item);

  Lister lister_;
  std::u16string path_;
  /// The subdirectories shown under the open directory.
  std::vector<std::u16string> shown_;
};

}  // namespace renamer::ui
