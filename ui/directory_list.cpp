#include "ui/directory_list.h"

#include <QIcon>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

namespace renamer::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;

// The path of the item is kept as UTF-16 units, so undecodable bytes survive the trip.
QTreeWidgetItem* MakeItem(std::u16string_view name, const std::u16string& path, const QIcon& icon) {
  auto* item = new QTreeWidgetItem();
  const QString text = QString::fromStdU16String(std::u16string(name));
  item->setText(0, text);
  item->setToolTip(0, text);
  item->setIcon(0, icon);
  item->setData(0, kPathRole, QString::fromStdU16String(path));
  return item;
}

// The path's components below the root: "/a/b" gives "a", "b".
std::vector<std::u16string_view> Components(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(u'/', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The full path an item stands for.
std::u16string PathOf(const QTreeWidgetItem& item) {
  return item.data(0, kPathRole).toString().toStdU16String();
}

// `parent` joined with the single name `name`.
std::u16string Join(std::u16string_view parent, std::u16string_view name) {
  std::u16string joined(parent);
  if (joined.empty() || joined.back() != u'/') joined.push_back(u'/');
  joined.append(name);
  return joined;
}

}  // namespace

DirectoryList::DirectoryList(Lister lister, QWidget* parent)
    : QTreeWidget(parent), lister_(std::move(lister)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(10);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setUniformRowHeights(true);
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { Open(item); });
}

void DirectoryList::SetPath(const std::u16string& path) {
  if (path == path_) return;
  path_ = path;
  emit Opening(path_);
  Rebuild(lister_(path_));
  emit PathChanged();
}

void DirectoryList::Refresh(std::vector<std::u16string> subdirectories) {
  if (subdirectories == shown_) return;
  const int scrolled = verticalScrollBar()->value();
  Rebuild(std::move(subdirectories));
  verticalScrollBar()->setValue(scrolled);
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void DirectoryList::drawBranches(QPainter*, const QRect&, const QModelIndex&) const {}

void DirectoryList::Rebuild(std::vector<std::u16string> subdirectories) {
  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* open = MakeItem(u"/", u"/", openIcon);
  addTopLevelItem(open);
  std::u16string walked = u"/";
  for (std::u16string_view part : Components(path_)) {
    walked = Join(walked, part);
    QTreeWidgetItem* child = MakeItem(part, walked, openIcon);
    open->addChild(child);
    open = child;
  }
  shown_ = std::move(subdirectories);
  for (const std::u16string& name : shown_) {
    open->addChild(MakeItem(name, Join(path_, name), closedIcon));
  }
  expandAll();
  setCurrentItem(open);
}

void DirectoryList::Open(QTreeWidgetItem* item) {
  if (item != nullptr) SetPath(PathOf(*item));
}

}  // namespace renamer::ui
