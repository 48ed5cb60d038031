#include "ui/undo_control.h"

#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace renamer::ui {

UndoControl::UndoControl(RenameEngine& engine, QPushButton& button, QWidget& window)
    : QObject(&window), engine_(engine), button_(button) {
  // A line edit claims Ctrl+Z for its own typing before a window shortcut sees it.
  auto* shortcut = new QShortcut(QKeySequence::Undo, &window);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, &button, &QPushButton::click);
  connect(&journals_, &QFileSystemWatcher::directoryChanged, this, &UndoControl::Refresh);
  window.installEventFilter(this);
  Refresh();
}

void UndoControl::WatchJournals() {
  const QString folder = QString::fromStdString(JournalDirectory());
  // A folder may be made after it was found missing and before its parent is watched:
  // looked for again until the watch stands where it should, a few times at most.
  for (int tries = 0; tries < 8; ++tries) {
    QString nearest = folder;
    while (!QFileInfo(nearest).isDir()) {
      const QString parent = QFileInfo(nearest).path();
      if (parent == nearest) break;
      nearest = parent;
    }
    const QStringList watched = journals_.directories();
    if (watched == QStringList{nearest}) return;
    if (!watched.isEmpty()) journals_.removePaths(watched);
    // A folder that cannot be watched is looked at when the window is activated.
    if (!journals_.addPath(nearest)) return;
  }
}

void UndoControl::Refresh() {
  // The folder may have been made or removed since.
  WatchJournals();
  offer_ = engine_.NextUndo();
  button_.setEnabled(!busy_ && offer_.has_value());
  button_.setToolTip(UndoToolTip(offer_));
}

void UndoControl::SetBusy(bool busy) {
  busy_ = busy;
  if (busy_) button_.setEnabled(false);
}

bool UndoControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Refresh();
  return QObject::eventFilter(watched, event);
}

QString UndoToolTip(const std::optional<UndoOffer>& offer) {
  if (!offer) return {};
  if (offer->damaged) return QStringLiteral("最近一次改名的撤销记录已损坏");
  const QString when = QDateTime::fromSecsSinceEpoch(offer->startedSeconds)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return QStringLiteral("撤销 %1 在“%2”中的改名").arg(when, QString::fromStdU16String(offer->path));
}

}  // namespace renamer::ui
