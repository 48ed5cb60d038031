#pragma once

#include <QMenu>
#include <QTreeView>

#include <vector>

namespace renamer::ui {

/// The file list `File1`: a flat list of uniform rows that cuts a long name around its
/// change, read only. Rows are highlighted as usual, with Shift and Ctrl; while its
/// model shows boxes, Space checks or clears the highlighted rows and the context menu
/// checks or clears many at once. A click on a column's header sorts the rows by it, a
/// second click the other way; the time column's header, and the context menu, choose
/// which time that column shows and 前加顺序号 numbers by.
class FileListView : public QTreeView {
  Q_OBJECT

 public:
  explicit FileListView(QWidget* parent = nullptr);

 public slots:
  /// A new listing: the header shows how the rows are sorted, if they are.
  void reset() override;

 protected:
  /// A change of many rows at once, as each new prediction is, redraws the visible rows
  /// whole. The tree view would look at every changed row in turn to find those on the
  /// screen, which at 100,000 rows stops the window for tens of milliseconds.
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  /// The files' model, null before one is set.
  class FileListModel* Files() const;
  /// Sorts by the column of header `section`, the other way when it is sorted by it.
  void SortBySection(int section);
  /// Adds the choice of the time column's time to `menu`.
  void AddTimeChoice(QMenu& menu);
  /// The highlighted rows, in order.
  std::vector<int> HighlightedRows() const;
};

}  // namespace renamer::ui
