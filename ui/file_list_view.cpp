#include "ui/file_list_view.h"

#include <QAccessible>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

#include "ui/elide_change.h"
#include "ui/file_list_model.h"

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
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionClicked, this, &FileListView::SortBySection);
  header()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(header(), &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
    if (Files() == nullptr || Files()->columnCount() <= static_cast<int>(ListColumn::kTime)) return;
    QMenu menu(this);
    AddTimeChoice(menu);
    menu.exec(header()->mapToGlobal(at));
  });
}

FileListModel* FileListView::Files() const { return qobject_cast<FileListModel*>(model()); }

void FileListView::SortBySection(int section) {
  FileListModel* files = Files();
  if (files == nullptr || section < 0 || section > static_cast<int>(ListColumn::kTime)) return;
  const auto column = static_cast<ListColumn>(section);
  const bool again = files->SortColumn() == column;
  const Qt::SortOrder direction = again && files->SortDirection() == Qt::AscendingOrder
                                      ? Qt::DescendingOrder
                                      : Qt::AscendingOrder;
  files->SortBy(column, direction);
  if (files->SortColumn() != column) return;
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(section, direction);
}

void FileListView::reset() {
  QTreeView::reset();
  const FileListModel* files = Files();
  const bool sorted = files != nullptr && files->SortColumn().has_value();
  header()->setSortIndicatorShown(sorted);
  if (sorted)
    header()->setSortIndicator(static_cast<int>(*files->SortColumn()), files->SortDirection());
}

void FileListView::AddTimeChoice(QMenu& menu) {
  FileListModel* files = Files();
  auto* group = new QActionGroup(&menu);
  const std::pair<const char16_t*, Ordering> choices[] = {
      {u"按修改时间编号（修改时间）", Ordering::kModified},
      {u"按拍摄时间编号（照片、视频的拍摄时间）", Ordering::kTaken}};
  for (const auto& [text, ordering] : choices) {
    QAction* action = menu.addAction(QString::fromUtf16(text), files,
                                     [files, ordering] { files->SetTimeOrdering(ordering); });
    action->setCheckable(true);
    action->setChecked(files->TimeOrdering() == ordering);
    group->addAction(action);
  }
}

std::vector<int> FileListView::HighlightedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void FileListView::keyPressEvent(QKeyEvent* event) {
  auto* files = qobject_cast<FileListModel*>(model());
  const bool space = event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier;
  if (!space || files == nullptr || !files->Checkable()) {
    QTreeView::keyPressEvent(event);
    return;
  }
  std::vector<int> rows = HighlightedRows();
  const int current = currentIndex().isValid() ? currentIndex().row() : -1;
  if (rows.empty() && current >= 0) rows.push_back(current);
  if (rows.empty()) return;
  // All take the opposite of the row with the focus, so that a mixed range comes out
  // all alike and a second Space takes it back.
  const int leading =
      std::find(rows.begin(), rows.end(), current) != rows.end() ? current : rows[0];
  files->SetChecked(rows, !files->IsChecked(leading));
}

void FileListView::contextMenuEvent(QContextMenuEvent* event) {
  FileListModel* files = Files();
  if (files == nullptr || files->rowCount() == 0) return;
  const bool times = files->columnCount() > static_cast<int>(ListColumn::kTime);
  if (!files->Checkable() && !times) return;
  QMenu menu(this);
  if (times) AddTimeChoice(menu);
  if (!files->Checkable()) {
    menu.exec(event->globalPos());
    return;
  }
  if (times) menu.addSeparator();
  menu.addAction(QStringLiteral("全选"), files, [files] { files->SetAllChecked(true); });
  menu.addAction(QStringLiteral("全不选"), files, [files] { files->SetAllChecked(false); });
  menu.addAction(QStringLiteral("反选"), files, [files] { files->InvertChoice(); });
  const std::vector<int> rows = HighlightedRows();
  QAction* only = menu.addAction(QStringLiteral("只选中高亮的文件"), files,
                                 [files, rows] { files->CheckOnly(rows); });
  only->setEnabled(!rows.empty());
  menu.exec(event->globalPos());
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
