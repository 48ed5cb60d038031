#include "ui/file_list_view.h"

#include <QAccessible>

#include "ui/elide_change.h"

namespace renamer::ui {
namespace {

// A change of more rows than a screen shows redraws the screen.
constexpr int kFewRows = 64;

}  // namespace

FileListView::FileListView(QWidget* parent) : QTreeView(parent) {
  // A plain list until a rule is chosen; then the new names beside the old ones.
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setTextElideMode(Qt::ElideMiddle);
  // A long name is cut around its change, or both columns could read the same.
  setItemDelegate(new ChangeElideDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void FileListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
  // The rows are all of one height and have no children, so nothing the tree view keeps
  // of them goes stale; their texts are read again as they are drawn.
  const bool many =
      topLeft.isValid() && bottomRight.isValid() && bottomRight.row() - topLeft.row() >= kFewRows;
  if (!many) {
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    return;
  }
  viewport()->update();
  // Screen readers are told of the change as the tree view would tell them.
  if (QAccessible::isActive()) {
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
    event.setFirstRow(topLeft.row());
    event.setFirstColumn(topLeft.column());
    event.setLastRow(bottomRight.row());
    event.setLastColumn(bottomRight.column());
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace renamer::ui
